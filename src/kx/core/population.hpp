#pragma once

#include <string>

#include "kx/core/individual.hpp"
#include "kx/host/collection.hpp"

namespace kx {

class TKXCustomGeneticComponent;
class TXMLNode;

/// The owned, ordered collection of the individuals of one generation. It tells the genetic
/// component that owns it about every insertion, extraction, deletion and change of its
/// individuals (PopulationNotify, PopulationUpdate).
class TKXPopulation : public TKXOwnedCollection<TKXIndividual> {
 public:
  /// ItemClass builds the individuals (TKXIndividual or a subclass). Owner is usually the
  /// genetic component; any other owner (or none) leaves Owner() nullptr.
  explicit TKXPopulation(TKXItemClass ItemClass, TKXPersistent* Owner = nullptr);

  std::string ClassName() const override { return "TKXPopulation"; }

  /// The owning genetic component, resolved once at construction; nullptr when the owner is
  /// not one.
  TKXCustomGeneticComponent* Owner() const noexcept { return FComponent; }

  ///@{
  /// Persistence of the individuals, one child element of Node each. Loading replaces the
  /// population by one new individual per child element, in document order, each loading
  /// itself from its element (the change notifications held back until the end). Saving
  /// appends to Node, per individual, an element tagged with the individual's display name
  /// and lets the individual save itself into it; existing children of Node stay.
  virtual void LoadFromXML(const TXMLNode& Node);
  virtual void SaveToXML(const TXMLNode& Node);
  ///@}

 protected:
  void Notify(TKXCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TKXCollectionItem* Item) override;

 private:
  TKXCustomGeneticComponent* FComponent;
};

}  // namespace kx
