#pragma once

#include <string>

#include "kx/core/consts.hpp"
#include "kx/host/collection.hpp"

namespace kx {

class TKXPopulation;
class TKXCustomGeneticComponent;
/// A handle on an element of a document (kx/xml/xml_node.hpp).
class TXMLNode;

/// One candidate solution: a name and a cached raw fitness. Every fitness question goes to
/// the genetic component that owns the individual's population; outside an owned population
/// every fitness reads as 0. Representations (chromosomes, program trees) derive from it.
///
/// The raw fitness is cached: it is computed on the first read after construction or after
/// Modified, and not again until the individual is marked modified. The weighted fitness
/// is never cached.
class TKXIndividual : public TKXCollectionItem {
 public:
  /// Collection is the population the individual is being built for (or nullptr); it joins
  /// it when the population inserts it.
  explicit TKXIndividual(TKXCollection* Collection = nullptr) noexcept;

  std::string ClassName() const override { return "TKXIndividual"; }

  /// From another individual: the source's fitness (bringing a stale source up to date
  /// first), its staleness as it is after that read, and its name (without marking this
  /// individual modified); then signals a change of this item. Other sources raise the
  /// unsupported-assignment error. Subclasses copy their genetic material and call this.
  void Assign(TKXPersistent* Source) override;

  /// Adds a new individual (of the population's item class) to this individual's population
  /// and assigns this one to it. Raises EListError outside a population.
  TKXIndividual* Clone();

  /// Recomputes the cached raw fitness through the owner. Without an owner the fitness is 0
  /// and stays stale, so that it is computed once the individual joins an owned population.
  void EvaluateFitness();

  /// Marks the fitness stale and signals a change. Call it after every change of the
  /// genetic material.
  void Modified();

  ///@{
  /// The individual's name, used by documents and reports.
  const std::string& Name() const noexcept { return FName; }
  /// A different name (case-sensitive) marks the individual modified; the same name does
  /// nothing.
  void SetName(const std::string& Value);
  ///@}

  /// Streams the only published property, Name (stored when not empty).
  void DefineProperties(TKXFiler& Filer) override;

  /// The population holding the individual, or nullptr. (Moving the individual to another
  /// collection goes through the inherited SetCollection.)
  TKXPopulation* Collection() const noexcept;

  /// The raw fitness, evaluated first when stale.
  TGAFitness Fitness();
  /// The weighted fitness, evaluated by the owner on every read.
  TGAFitness WeightedFitness();
  /// The owner's adjusted form of the fitness (larger is better whatever the method).
  TGAFitness AdjustedFitness();
  /// The fitness as a share of the population's fitness sum.
  TGAFitness NormalizedFitness();
  /// The weighted fitness as a share of the population's weighted fitness sum.
  TGAFitness NormalizedWeigthedFitness();

  /// True while the cached fitness is stale.
  bool NeedFitness() const noexcept { return FNeedFitness; }
  /// Caches Value as the raw fitness without evaluating: for a checkpoint that brings back the
  /// exact fitness an individual had, which a new evaluation might not reproduce.
  void RestoreFitness(TGAFitness Value) noexcept {
    FFitness = Value;
    FNeedFitness = false;
  }

  ///@{
  /// Persistence of the genetic material, name and fitness inside the element Node; the
  /// base reads and writes nothing.
  virtual void LoadFromXML(const TXMLNode& Node);
  virtual void SaveToXML(const TXMLNode& Node);
  ///@}

 protected:
  /// The name, or the class name when the name is empty.
  std::string GetDisplayName() const override;

  /// The component owning the individual's population, or nullptr.
  TKXCustomGeneticComponent* OwnerComponent() const noexcept;

  /// Marks the cached fitness stale without signalling a change: for operators that rewrite
  /// the genetic material of children in bulk, where a change signal per operator would be
  /// noise (Modified is the signalling form).
  void MarkFitnessStale() noexcept { FNeedFitness = true; }

 private:
  std::string FName;
  bool FNeedFitness = true;
  TGAFitness FFitness = 0;
};

}  // namespace kx
