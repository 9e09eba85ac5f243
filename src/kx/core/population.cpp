#include "kx/core/population.hpp"

#include "kx/core/genetic_component.hpp"

namespace kx {

TKXPopulation::TKXPopulation(TKXItemClass ItemClass, TKXPersistent* Owner)
    : TKXOwnedCollection<TKXIndividual>(ItemClass, Owner),
      FComponent(dynamic_cast<TKXCustomGeneticComponent*>(Owner)) {}

void TKXPopulation::LoadFromXML(TKXXMLNode* /*Node*/) {}

void TKXPopulation::SaveToXML(TKXXMLNode* /*Node*/) {}

void TKXPopulation::Notify(TKXCollectionItem* Item, TCollectionNotification Action) {
  TKXOwnedCollection<TKXIndividual>::Notify(Item, Action);
  if (FComponent != nullptr) {
    FComponent->PopulationNotify(dynamic_cast<TKXIndividual*>(Item), Action);
  }
}

void TKXPopulation::Update(TKXCollectionItem* Item) {
  TKXOwnedCollection<TKXIndividual>::Update(Item);
  if (FComponent != nullptr) FComponent->PopulationUpdate(dynamic_cast<TKXIndividual*>(Item));
}

}  // namespace kx
