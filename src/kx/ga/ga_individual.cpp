#include "kx/ga/ga_individual.hpp"

#include "kx/ga/ga_population.hpp"

namespace kx {

TKXGAIndividual::~TKXGAIndividual() = default;

std::unique_ptr<TKXGABits> TKXGAIndividual::CreateDNA() {
  return std::make_unique<TKXGABits>(this);
}

TKXGABits* TKXGAIndividual::Bits() const {
  if (!FBits) FBits = const_cast<TKXGAIndividual*>(this)->CreateDNA();
  return FBits.get();
}

void TKXGAIndividual::SetBits(const TKXEncodedBits& Value) {
  Bits()->Assign(Value);
  Modified();
}

void TKXGAIndividual::Assign(TKXPersistent* Source) {
  if (auto* source = dynamic_cast<TKXGAIndividual*>(Source)) Bits()->Assign(*source->Bits());
  TKXIndividual::Assign(Source);
}

std::string TKXGAIndividual::ToString() const { return ClassName() + " " + Bits()->ToString(); }

TKXGAPopulation* TKXGAIndividual::Collection() const noexcept {
  return dynamic_cast<TKXGAPopulation*>(TKXCollectionItem::Collection());
}

}  // namespace kx
