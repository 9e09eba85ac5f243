#pragma once

#include <string>

#include "kx/core/individual.hpp"
#include "kx/host/collection.hpp"

namespace kx {

class TKXCustomGeneticComponent;
class TKXXMLNode;

// The owned, ordered collection of the individuals of one generation. It tells the genetic
// component that owns it about every insertion, extraction, deletion and change of its
// individuals (PopulationNotify, PopulationUpdate).
class TKXPopulation : public TKXOwnedCollection<TKXIndividual> {
 public:
  // ItemClass builds the individuals (TKXIndividual or a subclass). Owner is usually the
  // genetic component; any other owner (or none) leaves Owner() nullptr.
  explicit TKXPopulation(TKXItemClass ItemClass, TKXPersistent* Owner = nullptr);

  std::string ClassName() const override { return "TKXPopulation"; }

  // The owning genetic component, resolved once at construction; nullptr when the owner is
  // not one.
  TKXCustomGeneticComponent* Owner() const noexcept { return FComponent; }

  // Persistence of the individuals: one child element of Node per individual. The base
  // does nothing until the XML layer supplies the element type.
  virtual void LoadFromXML(TKXXMLNode* Node);
  virtual void SaveToXML(TKXXMLNode* Node);

 protected:
  void Notify(TKXCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TKXCollectionItem* Item) override;

 private:
  TKXCustomGeneticComponent* FComponent;
};

}  // namespace kx
