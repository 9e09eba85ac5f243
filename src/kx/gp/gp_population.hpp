#pragma once

#include <string>

#include "kx/core/population.hpp"
#include "kx/gp/gp_individual.hpp"
#include "kx/gp_engine/engine.hpp"

namespace kx {

/// Wrappers of document elements (kx/xml/xml_node.hpp, kx/xml/gp_domain_xml.hpp).
class TXMLNode;
class TXMLGPPopulation;

/// The owned collection of the program individuals of one generation. Its owner, when it is
/// a program engine (the GP component), creates the individuals' nodes.
template <class T>
class TKXGPPopulation : public TKXPopulation {
 public:
  /// A population creating items of ItemClass, owned by Owner (not owned), typically the
  /// program component.
  explicit TKXGPPopulation(TKXItemClass ItemClass = ItemClassOf<TKXGPIndividual<T>>(),
                           TKXPersistent* Owner = nullptr);

  /// The class name.
  std::string ClassName() const override { return "TKXGPPopulation"; }

  /// Add, typed as a program individual.
  TKXGPIndividual<T>* Add() { return static_cast<TKXGPIndividual<T>*>(TKXPopulation::Add()); }
  /// Insert, typed as a program individual.
  TKXGPIndividual<T>* Insert(int Index) {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::Insert(Index));
  }
  /// Items, typed as a program individual.
  TKXGPIndividual<T>* Items(int Index) const {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::Items(Index));
  }
  /// Unchecked access; Index must be in range.
  TKXGPIndividual<T>* ItemAt(int Index) const noexcept {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::ItemAt(Index));
  }
  /// FindItemID, typed as a program individual.
  TKXGPIndividual<T>* FindItemID(int ID) const noexcept {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::FindItemID(ID));
  }

  /// The owner as a program engine, or nullptr when the owner is none or not an engine.
  IKXGeneticProgramEngine<T>* Engine() const noexcept;

  ///@{
  /// The typed operations below when Node is a "Population" element; any other element is
  /// left alone.
  void LoadFromXML(const TXMLNode& Node) override;
  /// @copydoc LoadFromXML
  void SaveToXML(const TXMLNode& Node) override;
  ///@}
  /// Clears the population, then adds and loads one individual per "Individual" element, in
  /// document order, inside an update bracket. After an error the individuals read so far
  /// stay.
  virtual void LoadFromXML(const TXMLGPPopulation& Element);
  /// Appends one "Individual" element per individual, in index order.
  virtual void SaveToXML(const TXMLGPPopulation& Element);
};

}  // namespace kx
