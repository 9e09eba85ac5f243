#pragma once

#include <string>

#include "kx/core/population.hpp"
#include "kx/ga/ga_individual.hpp"

namespace kx {

class TKXCustomGeneticAlgorithm;
class TXMLChromosomes;

/// The population of a genetic algorithm: an owned collection of TKXGAIndividual.
///
/// A population persists itself as a Chromosomes element, one Chromosome item per
/// individual.
class TKXGAPopulation : public TKXOwnedCollection<TKXGAIndividual, TKXPopulation> {
 public:
  /// Owner is usually the genetic algorithm; the items are always TKXGAIndividual.
  explicit TKXGAPopulation(TKXPersistent* Owner = nullptr);

  std::string ClassName() const override { return "TKXGAPopulation"; }

  /// The owning genetic algorithm, or nullptr when the owner is not one.
  TKXCustomGeneticAlgorithm* Owner() const noexcept;

  ///@{
  /// The Chromosomes forms when Node is a Chromosomes element; other elements are ignored.
  void LoadFromXML(const TXMLNode& Node) override;
  void SaveToXML(const TXMLNode& Node) override;
  ///@}
  /// Replaces the individuals by one per Chromosome item, in order (each sized to the
  /// owner's GeneSize, then loaded); the change notifications are held back until the end.
  virtual void LoadFromXML(const TXMLChromosomes& Chromosomes);
  /// Appends one Chromosome item per individual, in index order.
  virtual void SaveToXML(const TXMLChromosomes& Chromosomes);
};

}  // namespace kx
