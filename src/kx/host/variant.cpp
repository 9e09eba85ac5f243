#include "kx/host/variant.hpp"

#include <cmath>
#include <limits>
#include <string>

#include "kx/host/number_text.hpp"

namespace kx {

namespace {

[[noreturn]] void CastError(TKXVarType From, TKXVarType To) {
  throw EVariantTypeCastError(std::string("Could not convert variant of type (") +
                              VarTypeName(From) + ") into type (" + VarTypeName(To) + ")");
}

template <class... F>
struct TOverloaded : F... {
  using F::operator()...;
};
template <class... F>
TOverloaded(F...) -> TOverloaded<F...>;

}  // namespace

const char* VarTypeName(TKXVarType Type) noexcept {
  switch (Type) {
    case TKXVarType::varEmpty:
      return "Empty";
    case TKXVarType::varNull:
      return "Null";
    case TKXVarType::varBoolean:
      return "Boolean";
    case TKXVarType::varInteger:
      return "Integer";
    case TKXVarType::varInt64:
      return "Int64";
    case TKXVarType::varDouble:
      return "Double";
    case TKXVarType::varString:
      return "String";
  }
  return "Unknown";
}

bool TKXVariant::IsNumeric() const noexcept {
  const TKXVarType type = VarType();
  return type == TKXVarType::varInteger || type == TKXVarType::varInt64 ||
         type == TKXVarType::varDouble;
}

std::string TKXVariant::ToString() const {
  return std::visit(
      TOverloaded{[](std::monostate) { return std::string(); }, [](TNull) { return std::string(); },
                  [](bool v) { return std::string(BoolToStr(v)); },
                  [](std::int32_t v) { return std::to_string(v); },
                  [](std::int64_t v) { return std::to_string(v); },
                  [](double v) { return FloatToStr(v); }, [](const std::string& v) { return v; }},
      FValue);
}

double TKXVariant::ToFloat() const {
  switch (VarType()) {
    case TKXVarType::varEmpty:
      return 0.0;
    case TKXVarType::varBoolean:
      return std::get<bool>(FValue) ? -1.0 : 0.0;
    case TKXVarType::varInteger:
      return std::get<std::int32_t>(FValue);
    case TKXVarType::varInt64:
      return static_cast<double>(std::get<std::int64_t>(FValue));
    case TKXVarType::varDouble:
      return std::get<double>(FValue);
    case TKXVarType::varString: {
      double value = 0.0;
      if (!TryStrToFloat(std::get<std::string>(FValue), value)) {
        CastError(TKXVarType::varString, TKXVarType::varDouble);
      }
      return value;
    }
    case TKXVarType::varNull:
      break;
  }
  CastError(VarType(), TKXVarType::varDouble);
}

std::int64_t TKXVariant::ToInt64() const {
  switch (VarType()) {
    case TKXVarType::varEmpty:
      return 0;
    case TKXVarType::varBoolean:
      return std::get<bool>(FValue) ? -1 : 0;
    case TKXVarType::varInteger:
      return std::get<std::int32_t>(FValue);
    case TKXVarType::varInt64:
      return std::get<std::int64_t>(FValue);
    case TKXVarType::varDouble:
    case TKXVarType::varString: {
      std::int64_t integer = 0;
      if (IsString() && TryStrToInt64(std::get<std::string>(FValue), integer)) return integer;
      // Doubles and numeric texts round halves to even, like the host's conversion.
      const double value = std::nearbyint(ToFloat());
      if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) {
        CastError(VarType(), TKXVarType::varInt64);
      }
      return static_cast<std::int64_t>(value);
    }
    case TKXVarType::varNull:
      break;
  }
  CastError(VarType(), TKXVarType::varInt64);
}

std::int32_t TKXVariant::ToInt32() const {
  const std::int64_t value = ToInt64();
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    CastError(VarType(), TKXVarType::varInteger);
  }
  return static_cast<std::int32_t>(value);
}

bool TKXVariant::ToBool() const {
  switch (VarType()) {
    case TKXVarType::varEmpty:
      return false;
    case TKXVarType::varBoolean:
      return std::get<bool>(FValue);
    case TKXVarType::varString: {
      bool value = false;
      if (!TryStrToBool(std::get<std::string>(FValue), value)) {
        CastError(TKXVarType::varString, TKXVarType::varBoolean);
      }
      return value;
    }
    case TKXVarType::varNull:
      CastError(TKXVarType::varNull, TKXVarType::varBoolean);
    default:
      return ToFloat() != 0.0;
  }
}

bool operator==(const TKXVariant& A, const TKXVariant& B) noexcept {
  if (A.IsNumeric() && B.IsNumeric()) {
    if (A.VarType() != TKXVarType::varDouble && B.VarType() != TKXVarType::varDouble) {
      return A.ToInt64() == B.ToInt64();
    }
    return A.ToFloat() == B.ToFloat();
  }
  return A.FValue == B.FValue;
}

}  // namespace kx
