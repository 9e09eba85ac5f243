#include "kx/core/individual.hpp"

#include "kx/core/genetic_component.hpp"
#include "kx/core/population.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

TKXIndividual::TKXIndividual(TKXCollection* Collection) noexcept : TKXCollectionItem(Collection) {}

void TKXIndividual::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXIndividual*>(Source);
  if (source == nullptr) {
    TKXCollectionItem::Assign(Source);
    return;
  }
  // Reading the fitness first brings a stale source up to date, so a copy of an evaluated
  // parent needs no evaluation of its own.
  FFitness = source->Fitness();
  FNeedFitness = source->FNeedFitness;
  FName = source->FName;
  Changed(false);
}

TKXIndividual* TKXIndividual::Clone() {
  TKXPopulation* population = Collection();
  if (population == nullptr) throw EListError("An individual outside a population has no clone");
  TKXIndividual* clone = population->Add();
  clone->Assign(this);
  return clone;
}

void TKXIndividual::EvaluateFitness() {
  TKXCustomGeneticComponent* owner = OwnerComponent();
  if (owner == nullptr) {
    FFitness = 0;
    return;
  }
  FFitness = owner->EvaluateFitness(this, false);
  FNeedFitness = false;
}

void TKXIndividual::Modified() {
  FNeedFitness = true;
  Changed(false);
}

void TKXIndividual::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Modified();
}

void TKXIndividual::DefineProperties(TKXFiler& Filer) {
  Filer.StringProperty(
      "Name", [this] { return FName; }, [this](const std::string& v) { SetName(v); });
}

TKXPopulation* TKXIndividual::Collection() const noexcept {
  return dynamic_cast<TKXPopulation*>(TKXCollectionItem::Collection());
}

TGAFitness TKXIndividual::Fitness() {
  if (FNeedFitness) EvaluateFitness();
  return FFitness;
}

TGAFitness TKXIndividual::WeightedFitness() {
  TKXCustomGeneticComponent* owner = OwnerComponent();
  return owner != nullptr ? owner->EvaluateFitness(this, true) : 0;
}

TGAFitness TKXIndividual::AdjustedFitness() {
  TKXCustomGeneticComponent* owner = OwnerComponent();
  return owner != nullptr ? owner->GetAdjustedFitness(Fitness()) : 0;
}

TGAFitness TKXIndividual::NormalizedFitness() {
  TKXCustomGeneticComponent* owner = OwnerComponent();
  return owner != nullptr ? owner->GetNormalizedFitness(Fitness()) : 0;
}

TGAFitness TKXIndividual::NormalizedWeigthedFitness() {
  TKXCustomGeneticComponent* owner = OwnerComponent();
  return owner != nullptr ? owner->GetNormalizedWeightedFitness(WeightedFitness()) : 0;
}

void TKXIndividual::LoadFromXML(const TXMLNode& /*Node*/) {}

void TKXIndividual::SaveToXML(const TXMLNode& /*Node*/) {}

std::string TKXIndividual::GetDisplayName() const {
  return FName.empty() ? TKXCollectionItem::GetDisplayName() : FName;
}

TKXCustomGeneticComponent* TKXIndividual::OwnerComponent() const noexcept {
  TKXPopulation* population = Collection();
  return population != nullptr ? population->Owner() : nullptr;
}

}  // namespace kx
