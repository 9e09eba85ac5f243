#include "kx/core/population.hpp"

#include "kx/core/genetic_component.hpp"
#include "kx/xml/xml_lists.hpp"
#include "kx/xml/xml_node.hpp"

namespace kx {

TKXPopulation::TKXPopulation(TKXItemClass ItemClass, TKXPersistent* Owner)
    : TKXOwnedCollection<TKXIndividual>(ItemClass, Owner),
      FComponent(dynamic_cast<TKXCustomGeneticComponent*>(Owner)) {}

void TKXPopulation::LoadFromXML(const TXMLNode& Node) {
  BeginUpdate();
  try {
    Clear();
    for (TKXXMLNode child = Node.Node().FirstChild(); child; child = child.NextSibling()) {
      if (child.NodeType() != TXMLNodeType::ntElement) continue;
      Add()->LoadFromXML(TXMLNode(child));
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKXPopulation::SaveToXML(const TXMLNode& Node) {
  for (std::int32_t i = 0; i < Count(); ++i) {
    TKXIndividual* individual = ItemAt(i);
    individual->SaveToXML(
        TXMLNode(AppendChildElement(Node.Node(), individual->DisplayName().c_str())));
  }
}

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
