#include "kx/ga/ga_gene.hpp"

#include <cmath>
#include <limits>

#include "kx/core/enum_property.hpp"
#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/ga_genes.hpp"
#include "kx/ga/ga_individual.hpp"
#include "kx/ga/ga_population.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

namespace {

// 2^Exponent computed in single precision and widened, as the range rules require (widths
// past 127 bits give infinity, as a float power does).
double FloatPower2(std::int32_t Exponent) noexcept {
  return static_cast<double>(std::pow(2.0f, static_cast<float>(Exponent)));
}

// Value rounded half to even and converted to [Low, High] without overflow (NaN gives 0).
std::int64_t RoundToWhole(double Value, std::int64_t Low, std::int64_t High) noexcept {
  if (std::isnan(Value)) return 0;
  const double whole = std::nearbyint(Value);
  if (whole <= static_cast<double>(Low)) return Low;
  if (whole >= static_cast<double>(High)) return High;
  return static_cast<std::int64_t>(whole);
}

void CheckBound(double Value, const char* Name) {
  if (std::isnan(Value)) throw EGAException(std::string(Name) + " must be a number (NAN)");
}

}  // namespace

std::int32_t BitsRequired(std::uint32_t Value) noexcept {
  std::int32_t bits = 0;
  for (; Value != 0; Value >>= 1) ++bits;
  return bits;
}

TKXGAGene::TKXGAGene(TKXCollection* Collection) : TKXCollectionItem(Collection) {}

TKXGAGene::~TKXGAGene() = default;

TKXGAGenes* TKXGAGene::Collection() const noexcept {
  return dynamic_cast<TKXGAGenes*>(TKXCollectionItem::Collection());
}

void TKXGAGene::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXGAGene*>(Source);
  if (source == nullptr) {
    TKXCollectionItem::Assign(Source);
    return;
  }
  if (source == this) return;
  CheckSize(source->FSize);
  FGeneType = source->FGeneType;
  FName = source->FName;
  FSize = source->FSize;
  if (FGeneType != gtEnumeration) {
    FEnumerations.reset();
  } else {
    Enumerations()->Assign(source->Enumerations());
  }
  FMaxValue = source->FMaxValue;
  FMinValue = source->FMinValue;
  FPreserveSignBit = source->FPreserveSignBit;
  Changed(false);
}

std::string TKXGAGene::GetDisplayName() const {
  return FName.empty() ? TKXCollectionItem::GetDisplayName() : FName;
}

void TKXGAGene::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Changed(false);
}

void TKXGAGene::DefineProperties(TKXFiler& Filer) {
  Filer.StringsProperty(
      "Enumerations",
      [this] {
        std::vector<std::string> names;
        if (FEnumerations) {
          for (int i = 0; i < FEnumerations->Count(); ++i)
            names.push_back(FEnumerations->Strings(i));
        }
        return names;
      },
      [this](const std::vector<std::string>& Names) {
        TKXStringList& list = *Enumerations();
        list.BeginUpdate();
        list.Clear();
        for (const std::string& name : Names) list.Add(name);
        list.EndUpdate();
      },
      IsEnumeration());
  Filer.Property(
      "GeneType", [this] { return std::string(EnumName(FGeneType)); },
      [this](const std::string& Text) { SetGeneType(EnumFromStreamText<TGeneType>(Text)); }, true);
  Filer.StringProperty(
      "Name", [this] { return FName; }, [this](const std::string& v) { SetName(v); });
  Filer.Property(
      "Size", [this] { return std::to_string(FSize); },
      [this](const std::string& Text) { SetSize(StrToInt(Text)); }, true);
  Filer.FloatProperty(
      "MaxValue", [this] { return FMaxValue; }, [this](double v) { SetMaxValue(v); }, true);
  Filer.FloatProperty(
      "MinValue", [this] { return FMinValue; }, [this](double v) { SetMinValue(v); }, true);
  Filer.BoolProperty(
      "PreserveSignBit", [this] { return FPreserveSignBit; },
      [this](bool v) { SetPreserveSignBit(v); }, false);
}

void TKXGAGene::CheckSize(std::int32_t Value) const {
  CheckInRange(Value, 0, MAX_GENE_SIZE, "Gene size");
  if (const TKXGAGenes* genes = Collection()) {
    CheckInRange(std::int64_t{genes->GetSize()} - FSize + Value, 0, MAX_GENE_SIZE, "Genotype size");
  }
}

void TKXGAGene::SetSize(std::int32_t Value) {
  if (Value == FSize) return;
  CheckSize(Value);
  FSize = Value;
  SizeChange();
}

void TKXGAGene::SetGeneType(TGeneType Value) {
  if (Value == FGeneType) return;
  FGeneType = Value;
  RecalcMinMax();
  Changed(false);
}

void TKXGAGene::SetPreserveSignBit(bool Value) {
  if (Value == FPreserveSignBit) return;
  FPreserveSignBit = Value;
  RecalcMinMax();
}

void TKXGAGene::RecalcMinMax() {
  switch (FGeneType) {
    case gtInteger:
    case gtFloat: {
      const double p = FloatPower2(FPreserveSignBit ? FSize - 1 : FSize);
      FMinValue = FPreserveSignBit ? -p : 0.0;
      FMaxValue = p - 1;
      break;
    }
    case gtEnumeration:
      FMinValue = 0;
      FMaxValue = Enumerations()->Count() - 1;
      break;
    case gtBoolean:
    case gtUnknown:
      break;
  }
}

// The bounds keep a window of the field's width: moving the minimum drags the maximum along
// when the range would not fit (or would be inverted); moving the maximum puts the minimum
// a full 2^Size below it whenever the range is narrower than twice that width. The
// asymmetry (P - 1 here, P there) is deliberate and applications rely on its order.
void TKXGAGene::SetMinValue(double Value) {
  CheckBound(Value, "MinValue");
  if (Value == FMinValue) return;
  FMinValue = Value;
  const double p = FloatPower2(FSize);
  switch (FGeneType) {
    case gtInteger:
    case gtFloat:
      if (FMaxValue - FMinValue > p - 1 || FMinValue > FMaxValue) FMaxValue = FMinValue + p - 1;
      break;
    case gtEnumeration:
      FMaxValue = FMinValue + Enumerations()->Count() - 1;
      break;
    default:
      break;
  }
}

void TKXGAGene::SetMaxValue(double Value) {
  CheckBound(Value, "MaxValue");
  if (Value == FMaxValue) return;
  FMaxValue = Value;
  const double p = FloatPower2(FSize);
  switch (FGeneType) {
    case gtInteger:
    case gtFloat:
      if (2 * p > FMaxValue - FMinValue) FMinValue = FMaxValue - p;
      break;
    case gtEnumeration: {
      const double count = Enumerations()->Count();
      if (count >= FMaxValue - FMinValue) FMinValue = FMaxValue - count;
      break;
    }
    default:
      break;
  }
  if (FGeneType != gtBoolean && !FPreserveSignBit && FMinValue < 0) FMinValue = 0;
}

TKXStringList* TKXGAGene::Enumerations() {
  if (!FEnumerations) {
    FEnumerations = std::make_unique<TKXStringList>();
    FEnumerations->SetOnChange([this](TKXObject* Sender) { EnumerationsChange(Sender); });
  }
  return FEnumerations.get();
}

void TKXGAGene::SetEnumerations(TKXStringList* Value) { Enumerations()->Assign(Value); }

void TKXGAGene::EnumerationsChange(TKXObject* /*Sender*/) {
  if (FGeneType == gtEnumeration)
    SetSize(BitsRequired(static_cast<std::uint32_t>(FEnumerations->Count())));
}

void TKXGAGene::SizeChange() {
  RecalcMinMax();
  if (TKXGAGenes* genes = Collection()) genes->SizeChange(Index());
}

// --- Typed access to a chromosome -----------------------------------------------------------

bool TKXGAGene::GeneAsBoolean(TKXEncodedBits& Bits, std::int32_t Index) const {
  return Bits.GetAsBoolean(Index, FSize);
}

std::int32_t TKXGAGene::GeneAsInteger(TKXEncodedBits& Bits, std::int32_t Index) const {
  Bits.SetPreserveSignBit(FPreserveSignBit);
  return Bits.GetAsInteger(Index, FSize);
}

std::int64_t TKXGAGene::GeneAsInt64(TKXEncodedBits& Bits, std::int32_t Index) const {
  Bits.SetPreserveSignBit(FPreserveSignBit);
  return Bits.GetAsInt64(Index, FSize);
}

float TKXGAGene::GeneAsFloat(TKXEncodedBits& Bits, std::int32_t Index) const {
  Bits.SetPreserveSignBit(FPreserveSignBit);
  return Bits.GetAsFloat(Index, FSize);
}

double TKXGAGene::GeneAsDouble(TKXEncodedBits& Bits, std::int32_t Index) const {
  Bits.SetPreserveSignBit(FPreserveSignBit);
  return Bits.GetAsDouble(Index, FSize);
}

std::string TKXGAGene::GeneAsEnumeration(TKXEncodedBits& Bits, std::int32_t Index) const {
  Bits.SetPreserveSignBit(false);
  const std::int32_t position = Bits.GetAsInteger(Index, FSize);
  const std::int32_t count = FEnumerations ? FEnumerations->Count() : 0;
  if (position < 0 || position >= count) throw EGAException(SNoEnumerationFound.Text);
  return FEnumerations->Strings(position);
}

void TKXGAGene::SetGeneAsBoolean(TKXEncodedBits& Bits, std::int32_t Index, bool Value) {
  Bits.SetAsBoolean(Index, FSize, Value);
}

void TKXGAGene::ClampFloating(double& Value) const noexcept {
  if (FMinValue > Value) {
    Value = FMinValue;
  } else if (Value > FMaxValue) {
    Value = FMaxValue;
  }
}

std::int64_t TKXGAGene::ClampWhole(double Value, std::int64_t Low,
                                   std::int64_t High) const noexcept {
  if (FMinValue > Value) return RoundToWhole(FMinValue, Low, High);
  if (Value > FMaxValue) return RoundToWhole(FMaxValue, Low, High);
  return RoundToWhole(Value, Low, High);
}

void TKXGAGene::SetGeneAsDouble(TKXEncodedBits& Bits, std::int32_t Index, double Value) {
  ClampFloating(Value);
  Bits.SetPreserveSignBit(FPreserveSignBit);
  Bits.SetAsDouble(Index, FSize, Value);
}

void TKXGAGene::SetGeneAsFloat(TKXEncodedBits& Bits, std::int32_t Index, float Value) {
  double value = Value;
  ClampFloating(value);
  Bits.SetPreserveSignBit(FPreserveSignBit);
  Bits.SetAsFloat(Index, FSize, static_cast<float>(value));
}

void TKXGAGene::SetGeneAsInt64(TKXEncodedBits& Bits, std::int32_t Index, std::int64_t Value) {
  using Limits = std::numeric_limits<std::int64_t>;
  // A value inside the bounds is kept exactly (a double could not hold every int64).
  const double wide = static_cast<double>(Value);
  const std::int64_t value = (FMinValue > wide || wide > FMaxValue)
                                 ? ClampWhole(wide, Limits::min(), Limits::max())
                                 : Value;
  Bits.SetPreserveSignBit(FPreserveSignBit);
  Bits.SetAsInt64(Index, FSize, value);
}

void TKXGAGene::SetGeneAsInteger(TKXEncodedBits& Bits, std::int32_t Index, std::int32_t Value) {
  using Limits = std::numeric_limits<std::int32_t>;
  const auto value = static_cast<std::int32_t>(ClampWhole(Value, Limits::min(), Limits::max()));
  Bits.SetPreserveSignBit(FPreserveSignBit);
  Bits.SetAsInteger(Index, FSize, value);
}

void TKXGAGene::SetGeneAsEnumeration(TKXEncodedBits& Bits, std::int32_t Index,
                                     const std::string& Value) {
  const std::int32_t position = Enumerations()->IndexOf(Value);
  if (position < 0) throw EGAException(FormatMessage(SValueNotEnumeration, {Value}));
  Bits.SetPreserveSignBit(false);
  Bits.SetAsInteger(Index, FSize, position);
}

std::string TKXGAGene::AsString(TKXEncodedBits& Bits) const {
  switch (FGeneType) {
    case gtBoolean:
      return BoolToStr(GeneAsBoolean(Bits));
    case gtInteger:
      return std::to_string(GeneAsInteger(Bits));
    case gtFloat:
      return FloatToStr(static_cast<double>(GeneAsFloat(Bits)));
    case gtEnumeration:
      return GeneAsEnumeration(Bits);
    case gtUnknown:
      break;
  }
  return Bits.GetAsBitString(FOffset, FSize);
}

// --- Access by individual index -------------------------------------------------------------

TKXGAIndividual& TKXGAGene::IndividualAt(std::int32_t Index) const {
  const TKXGAGenes* genes = Collection();
  TKXCustomGeneticAlgorithm* owner = genes != nullptr ? genes->Owner() : nullptr;
  if (owner == nullptr) {
    throw EGAException("Gene \"" + DisplayName() +
                       "\" does not belong to the genotype of a genetic algorithm");
  }
  return *owner->Population()->Items(Index);
}

bool TKXGAGene::GetAsBoolean(std::int32_t Index) const {
  return GeneAsBoolean(*IndividualAt(Index).Bits());
}

std::int32_t TKXGAGene::GetAsInteger(std::int32_t Index) const {
  return GeneAsInteger(*IndividualAt(Index).Bits());
}

std::int64_t TKXGAGene::GetAsInt64(std::int32_t Index) const {
  return GeneAsInt64(*IndividualAt(Index).Bits());
}

float TKXGAGene::GetAsFloat(std::int32_t Index) const {
  return GeneAsFloat(*IndividualAt(Index).Bits());
}

double TKXGAGene::GetAsDouble(std::int32_t Index) const {
  return GeneAsDouble(*IndividualAt(Index).Bits());
}

std::string TKXGAGene::GetAsEnumeration(std::int32_t Index) const {
  return GeneAsEnumeration(*IndividualAt(Index).Bits());
}

std::string TKXGAGene::AsString(std::int32_t Index) const {
  return AsString(*IndividualAt(Index).Bits());
}

void TKXGAGene::SetAsBoolean(std::int32_t Index, bool Value) {
  TKXGAIndividual& individual = IndividualAt(Index);
  SetGeneAsBoolean(*individual.Bits(), Value);
  individual.Modified();
}

void TKXGAGene::SetAsInteger(std::int32_t Index, std::int32_t Value) {
  TKXGAIndividual& individual = IndividualAt(Index);
  SetGeneAsInteger(*individual.Bits(), Value);
  individual.Modified();
}

void TKXGAGene::SetAsInt64(std::int32_t Index, std::int64_t Value) {
  TKXGAIndividual& individual = IndividualAt(Index);
  SetGeneAsInt64(*individual.Bits(), Value);
  individual.Modified();
}

void TKXGAGene::SetAsFloat(std::int32_t Index, float Value) {
  TKXGAIndividual& individual = IndividualAt(Index);
  SetGeneAsFloat(*individual.Bits(), Value);
  individual.Modified();
}

void TKXGAGene::SetAsDouble(std::int32_t Index, double Value) {
  TKXGAIndividual& individual = IndividualAt(Index);
  SetGeneAsDouble(*individual.Bits(), Value);
  individual.Modified();
}

void TKXGAGene::SetAsEnumeration(std::int32_t Index, const std::string& Value) {
  TKXGAIndividual& individual = IndividualAt(Index);
  SetGeneAsEnumeration(*individual.Bits(), Value);
  individual.Modified();
}

}  // namespace kx
