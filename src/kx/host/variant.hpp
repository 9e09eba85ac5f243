#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "kx/host/exceptions.hpp"

namespace kx {

/// The kinds of value a TKXVariant holds.
enum class TKXVarType : std::uint8_t {
  varEmpty,    ///< unassigned: the default
  varNull,     ///< an explicit "no value"
  varBoolean,  ///< bool
  varInteger,  ///< int32_t
  varInt64,    ///< int64_t
  varDouble,   ///< double
  varString    ///< std::string
};

/// A variant value could not be converted to the requested type: a text that is not a
/// number, or a null read as a number.
class EVariantTypeCastError : public EConvertError {
 public:
  using EConvertError::EConvertError;
};

/// A dynamically typed value: unassigned, null, boolean, integer, double or text.
///
/// Conversions follow the host framework's variant rules:
/// - to text: unassigned and null give "", booleans "True"/"False", integers decimal,
///   doubles the general float text (FloatToStr, with the process's decimal separator);
/// - to numbers: unassigned gives 0; True gives -1 and False 0; text is read by the strict
///   text-to-float conversion (a text that is not a number raises EVariantTypeCastError);
///   null raises EVariantTypeCastError;
/// - to bool: numbers are true when non-zero; text is "True"/"False" (any case) or a number.
class TKXVariant {
 public:
  /// The null marker, for TKXVariant(TKXVariant::Null).
  struct TNull {
    /// Every null equals every other.
    friend bool operator==(TNull, TNull) noexcept { return true; }
  };
  /// The null value.
  static constexpr TNull Null{};

  /// An unassigned variant.
  TKXVariant() noexcept = default;
  /// The null variant.
  TKXVariant(TNull) noexcept : FValue(TNull{}) {}
  /// A boolean.
  TKXVariant(bool Value) noexcept : FValue(Value) {}
  /// Integers that fit 32 bits are held as varInteger, wider ones as varInt64.
  template <std::integral I>
  requires(!std::same_as<I, bool> && !std::same_as<I, char>) TKXVariant(I Value)
  noexcept {
    if constexpr (sizeof(I) < 4 || (sizeof(I) == 4 && std::is_signed_v<I>)) {
      FValue = static_cast<std::int32_t>(Value);
    } else {
      FValue = static_cast<std::int64_t>(Value);
    }
  }
  /// A double.
  TKXVariant(double Value) noexcept : FValue(Value) {}
  /// A float, held as a double.
  TKXVariant(float Value) noexcept : FValue(static_cast<double>(Value)) {}
  ///@{
  /// A text.
  TKXVariant(std::string Value) noexcept : FValue(std::move(Value)) {}
  TKXVariant(std::string_view Value) : FValue(std::string(Value)) {}
  TKXVariant(const char* Value) : FValue(std::string(Value)) {}
  ///@}

  /// The kind of value held.
  TKXVarType VarType() const noexcept { return static_cast<TKXVarType>(FValue.index()); }
  /// True when unassigned.
  bool IsEmpty() const noexcept { return VarType() == TKXVarType::varEmpty; }
  /// True when null.
  bool IsNull() const noexcept { return VarType() == TKXVarType::varNull; }
  /// True for integers and doubles (not booleans).
  bool IsNumeric() const noexcept;
  /// True when holding text.
  bool IsString() const noexcept { return VarType() == TKXVarType::varString; }

  /// Makes the variant unassigned.
  void Clear() noexcept { FValue = std::monostate{}; }

  /// The held text, or nullptr when the variant holds no text (no conversion, no copy).
  const std::string* AsString() const noexcept { return std::get_if<std::string>(&FValue); }

  /// The value converted to text (see the conversion rules above).
  std::string ToString() const;
  /// The value converted to a double (see the conversion rules above).
  double ToFloat() const;
  /// The value converted to a 64-bit integer (see the conversion rules above).
  std::int64_t ToInt64() const;
  /// ToInt64 narrowed to 32 bits; out-of-range values raise EVariantTypeCastError.
  std::int32_t ToInt32() const;
  /// The value converted to a boolean (see the conversion rules above).
  bool ToBool() const;

  /// Equal kinds compare their values; integers and doubles compare numerically with each
  /// other; any other mix of kinds is unequal (no text-to-number conversion).
  friend bool operator==(const TKXVariant& A, const TKXVariant& B) noexcept;

 private:
  /// The alternatives are in TKXVarType order.
  std::variant<std::monostate, TNull, bool, std::int32_t, std::int64_t, double, std::string> FValue;
};

/// The type name of a variant kind, as conversion errors show it ("Double", "String", ...).
const char* VarTypeName(TKXVarType Type) noexcept;

}  // namespace kx
