#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/host/collection.hpp"
#include "kx/host/encoded_bits.hpp"
#include "kx/host/string_list.hpp"

namespace kx {

class TKXGAGenes;
class TKXGAIndividual;

/// The largest chromosome width in bits, and so the largest size of one gene and of a whole
/// genotype: 2^20 bits keep a chromosome at 128 KiB (its duplicate-detection key at 256 KiB)
/// and every offset and width far from the 32-bit range they are computed in, while lying
/// far beyond the genotypes of practical problems. Sizes outside 0 .. MAX_GENE_SIZE are
/// refused with EGAException before anything is stored or allocated.
inline constexpr std::int32_t MAX_GENE_SIZE = 1 << 20;

/// The number of right shifts that bring Value to 0: the width of an enumeration field that
/// can index Value names (BitsRequired(3) = 2, BitsRequired(4) = 3, BitsRequired(0) = 0).
std::int32_t BitsRequired(std::uint32_t Value) noexcept;

/// A gene definition: a named, typed field of Size bits starting at bit Offset of every
/// chromosome, with the range [MinValue, MaxValue] that writes are clamped to. The genotype
/// (TKXGAGenes) lays its genes end to end and keeps Offset up to date; a gene never holds a
/// chromosome, it reads and writes the TKXEncodedBits it is given.
///
/// The forms without an Index argument use the gene's own Offset; the forms with Index read
/// or write the field starting at that bit. Every write without Index calls the virtual
/// form with Index = Offset, so a subclass overrides one operation per kind.
///
/// Access by individual (GetAsX(Index), SetAsX(Index, Value), AsString(Index)) works on the
/// chromosome of the individual at position Index of the current population of the
/// component that owns the genotype. A gene outside such a genotype raises EGAException;
/// an Index outside the population raises EListError.
class TKXGAGene : public TKXCollectionItem {
 public:
  /// A boolean gene of no width, joining Collection (a genotype) once constructed.
  explicit TKXGAGene(TKXCollection* Collection = nullptr);
  ~TKXGAGene() override;

  std::string ClassName() const override { return "TKXGAGene"; }

  /// From another gene: kind, name, size, enumeration names, bounds and signedness, taken
  /// directly without the setters' side effects (Offset is not copied); then a change signal.
  /// Other sources raise the unsupported-assignment error; a size that would take the
  /// genotype past MAX_GENE_SIZE raises EGAException, leaving the gene unchanged.
  void Assign(TKXPersistent* Source) override;

  /// The genotype holding the gene, or nullptr.
  TKXGAGenes* Collection() const noexcept;

  ///@{
  /// The gene's name within its genotype.
  const std::string& Name() const noexcept { return FName; }
  ///@}
  /// A different name (case-sensitive) signals a change of the gene.
  void SetName(const std::string& Value);
  ///@{
  /// The width in bits.
  std::int32_t Size() const noexcept { return FSize; }
  ///@}
  /// A different size recomputes the natural range and the offsets of the later genes and
  /// lets the component grow its GeneSize. A size outside 0 .. MAX_GENE_SIZE, or one that
  /// takes the genotype's total width past MAX_GENE_SIZE, raises EGAException and changes
  /// nothing.
  void SetSize(std::int32_t Value);
  ///@{
  /// The value type the gene encodes.
  TGeneType GeneType() const noexcept { return FGeneType; }
  ///@}
  /// A different kind recomputes the natural range and signals a change.
  void SetGeneType(TGeneType Value);
  /// The gene's first bit in a chromosome: the widths of the genes before it.
  std::int32_t Offset() const noexcept { return FOffset; }
  ///@{
  /// Whether numeric values are encoded signed (two's complement).
  bool PreserveSignBit() const noexcept { return FPreserveSignBit; }
  ///@}
  /// A different value recomputes the natural range.
  void SetPreserveSignBit(bool Value);

  ///@{
  /// The range numeric writes are clamped to.
  double MinValue() const noexcept { return FMinValue; }
  double MaxValue() const noexcept { return FMaxValue; }
  /// Setting one bound may move the other (see the notes in the implementation); set
  /// MaxValue first and MinValue second to narrow a range. NaN raises EGAException (it would
  /// disable every clamp); infinite bounds are kept, as wide genes have them naturally.
  void SetMinValue(double Value);
  void SetMaxValue(double Value);
  ///@}
  /// Derives the natural range from the kind and width: 0 .. 2^n - 1 (unsigned) or
  /// -2^(n-1) .. 2^(n-1) - 1 (signed) for integer and float genes, 0 .. names - 1 for
  /// enumerations; boolean and unknown genes keep their bounds.
  void RecalcMinMax();

  ///@{
  /// The names of an enumeration gene in index order (letter case ignored on lookup);
  /// created empty on first use. While the gene is an enumeration, every change of the list
  /// sizes the gene to BitsRequired(names).
  TKXStringList* Enumerations();
  void SetEnumerations(TKXStringList* Value);
  ///@}
  /// True for an enumeration gene.
  bool IsEnumeration() const noexcept { return FGeneType == gtEnumeration; }

  /// Streams Enumerations (while an enumeration), GeneType, Name, Size, MaxValue, MinValue
  /// and PreserveSignBit, in this order, which is also the order a stream applies them
  /// through the setters: MaxValue before MinValue, PreserveSignBit last.
  void DefineProperties(TKXFiler& Filer) override;

  // --- Typed access to a chromosome ---------------------------------------------------------
  // Numeric reads and writes set Bits.PreserveSignBit from the gene first; boolean access
  // leaves it as it is. Numeric writes are clamped to [MinValue, MaxValue] (integer writes to
  // the bounds rounded half to even); boolean and enumeration writes are not.

  ///@{
  /// The typed value of the gene's field in Bits, at the gene's Offset or at bit Index.
  bool GeneAsBoolean(TKXEncodedBits& Bits) const { return GeneAsBoolean(Bits, FOffset); }
  bool GeneAsBoolean(TKXEncodedBits& Bits, std::int32_t Index) const;
  std::int32_t GeneAsInteger(TKXEncodedBits& Bits) const { return GeneAsInteger(Bits, FOffset); }
  std::int32_t GeneAsInteger(TKXEncodedBits& Bits, std::int32_t Index) const;
  std::int64_t GeneAsInt64(TKXEncodedBits& Bits) const { return GeneAsInt64(Bits, FOffset); }
  std::int64_t GeneAsInt64(TKXEncodedBits& Bits, std::int32_t Index) const;
  float GeneAsFloat(TKXEncodedBits& Bits) const { return GeneAsFloat(Bits, FOffset); }
  float GeneAsFloat(TKXEncodedBits& Bits, std::int32_t Index) const;
  double GeneAsDouble(TKXEncodedBits& Bits) const { return GeneAsDouble(Bits, FOffset); }
  double GeneAsDouble(TKXEncodedBits& Bits, std::int32_t Index) const;
  ///@}
  ///@{
  /// The name stored in the field; EGAException "No enumerated value found in chromosome"
  /// when the field holds an index without a name.
  std::string GeneAsEnumeration(TKXEncodedBits& Bits) const {
    return GeneAsEnumeration(Bits, FOffset);
  }
  std::string GeneAsEnumeration(TKXEncodedBits& Bits, std::int32_t Index) const;
  ///@}

  ///@{
  /// Writes the typed value into the gene's field in Bits, at the gene's Offset or at bit
  /// Index.
  void SetGeneAsBoolean(TKXEncodedBits& Bits, bool Value) {
    SetGeneAsBoolean(Bits, FOffset, Value);
  }
  virtual void SetGeneAsBoolean(TKXEncodedBits& Bits, std::int32_t Index, bool Value);
  void SetGeneAsDouble(TKXEncodedBits& Bits, double Value) {
    SetGeneAsDouble(Bits, FOffset, Value);
  }
  virtual void SetGeneAsDouble(TKXEncodedBits& Bits, std::int32_t Index, double Value);
  ///@}
  ///@{
  /// Stores the position of Value in Enumerations (letter case ignored); a name that is not
  /// listed raises EGAException and leaves Bits unchanged.
  void SetGeneAsEnumeration(TKXEncodedBits& Bits, const std::string& Value) {
    SetGeneAsEnumeration(Bits, FOffset, Value);
  }
  virtual void SetGeneAsEnumeration(TKXEncodedBits& Bits, std::int32_t Index,
                                    const std::string& Value);
  ///@}
  ///@{
  /// Writes the typed value into the gene's field in Bits, at the gene's Offset or at bit
  /// Index.
  void SetGeneAsFloat(TKXEncodedBits& Bits, float Value) { SetGeneAsFloat(Bits, FOffset, Value); }
  virtual void SetGeneAsFloat(TKXEncodedBits& Bits, std::int32_t Index, float Value);
  void SetGeneAsInt64(TKXEncodedBits& Bits, std::int64_t Value) {
    SetGeneAsInt64(Bits, FOffset, Value);
  }
  virtual void SetGeneAsInt64(TKXEncodedBits& Bits, std::int32_t Index, std::int64_t Value);
  void SetGeneAsInteger(TKXEncodedBits& Bits, std::int32_t Value) {
    SetGeneAsInteger(Bits, FOffset, Value);
  }
  virtual void SetGeneAsInteger(TKXEncodedBits& Bits, std::int32_t Index, std::int32_t Value);
  ///@}

  /// The gene's value as text: "True"/"False", the decimal integer, the float in general
  /// 15-digit form, the enumeration name, or the bit text of a gene of unknown kind.
  std::string AsString(TKXEncodedBits& Bits) const;

  // --- Access by individual index -----------------------------------------------------------
  // Writes mark the individual modified, so its fitness is recomputed on the next read.

  ///@{
  /// The gene's value in the chromosome of individual Index of the component's population,
  /// read or written as the named type.
  bool GetAsBoolean(std::int32_t Index) const;
  std::int32_t GetAsInteger(std::int32_t Index) const;
  std::int64_t GetAsInt64(std::int32_t Index) const;
  float GetAsFloat(std::int32_t Index) const;
  double GetAsDouble(std::int32_t Index) const;
  std::string GetAsEnumeration(std::int32_t Index) const;
  std::string AsString(std::int32_t Index) const;
  void SetAsBoolean(std::int32_t Index, bool Value);
  void SetAsInteger(std::int32_t Index, std::int32_t Value);
  void SetAsInt64(std::int32_t Index, std::int64_t Value);
  void SetAsFloat(std::int32_t Index, float Value);
  void SetAsDouble(std::int32_t Index, double Value);
  void SetAsEnumeration(std::int32_t Index, const std::string& Value);
  ///@}

 protected:
  /// Name, or the class name when the name is empty.
  std::string GetDisplayName() const override;
  /// After a change of Size: the natural range, then the genotype's offsets and GeneSize.
  virtual void SizeChange();
  /// Bound to the enumeration list's change notification.
  virtual void EnumerationsChange(TKXObject* Sender);

 private:
  friend class TKXGAGenes;
  /// Written by the genotype only.
  void SetOffset(std::int32_t Value) noexcept { FOffset = Value; }
  /// The individual at Index of the owning component's population (errors as documented).
  TKXGAIndividual& IndividualAt(std::int32_t Index) const;
  void ClampFloating(double& Value) const noexcept;
  /// Raises EGAException unless Value is a valid Size for this gene (see SetSize).
  void CheckSize(std::int32_t Value) const;
  std::int64_t ClampWhole(double Value, std::int64_t Low, std::int64_t High) const noexcept;

  std::string FName;
  std::int32_t FSize = 0;
  TGeneType FGeneType = gtUnknown;
  std::int32_t FOffset = 0;
  std::unique_ptr<TKXStringList> FEnumerations;
  double FMaxValue = 0;
  double FMinValue = 0;
  bool FPreserveSignBit = false;
};

/// The "class" of the genes a genotype creates (TKXGAGene or a subclass).
using TKXGeneClass = TKXItemClass;

}  // namespace kx
