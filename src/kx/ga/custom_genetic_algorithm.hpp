#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/ga/ga_events.hpp"
#include "kx/ga/ga_gene.hpp"
#include "kx/ga/ga_genes.hpp"
#include "kx/ga/ga_individual.hpp"
#include "kx/ga/ga_population.hpp"

namespace kx {

class TKXXMLDocument;
class TXMLGADomainType;
class TXMLGeneticAlgorithm;

/// The largest number of chromosome bits one generation may hold (GeneSize x individuals):
/// 2^30 bits are 128 MiB per generation, 256 MiB with the previous one, e.g. a million
/// individuals of 1024 bits or 1024 individuals of MAX_GENE_SIZE bits. Each bit also costs a
/// random draw per initialization and per mutation pass, so the bound caps a generation's
/// work too. Resizing or initializing beyond it raises EGAException before allocating.
inline constexpr std::int64_t MAX_POPULATION_BITS = std::int64_t{1} << 30;

/// The genetic algorithm: a genetic component whose individuals are bit-string chromosomes
/// (TKXGAIndividual) of GeneSize bits, laid out by a genotype of gene definitions (Genes).
/// It supplies the representation's steps of the evolution loop: random initialization
/// avoiding duplicate chromosomes, one-point crossover at gene, bit, byte, word or longword
/// boundaries, per-bit mutation and the complement of a random run of bits.
///
/// Choices where the behaviour is otherwise open:
/// - The genotype, like the core's populations, is created on first use through the virtual
///   CreateGenes, so that a subclass's factory is the one that runs.
/// - Gene-boundary crossover without genes, or with a single gene of width 0, raises
///   EGAException (there is no gene boundary to cut at).
/// - The GA's OnCrossover (with CrossoverBit) hides the core's crossover event of the same
///   name; the core's slot stays reachable through a TKXCustomGeneticComponent reference or a
///   qualified call, e.g. `static_cast<TKXCustomGeneticComponent&>(GA).SetOnCrossover(E)` or
///   `GA.TKXCustomGeneticComponent::SetOnCrossover(E)`, and, when set, still runs in
///   Crossover before DoCrossover. Every other overload of the core stays callable on the GA.
/// - Loading a domain into a component that was never initialized initializes it without
///   individuals first and restores InitialPopulation and the Generation the header set.
/// - The chromosomes of a domain keep the width they were saved with: GeneSize becomes the
///   width of the first chromosome's bit text, which may exceed the genes' total width (the
///   GenoType's Size attribute holds the genes' width). LoadFromStream and LoadFromFile
///   refuse a document whose chromosomes differ in width or are narrower than their genes,
///   and also restore what the genotype's loader recomputes instead of reading (the ranges
///   of numeric genes, the width of enumeration genes), so that a component saves again the
///   document it loaded.
class TKXCustomGeneticAlgorithm : public TKXCustomGeneticComponent {
 public:
  /// A genetic algorithm owned by AOwner (not owning it), with an empty genotype.
  explicit TKXCustomGeneticAlgorithm(TKXComponent* AOwner = nullptr);
  ~TKXCustomGeneticAlgorithm() override;

  std::string ClassName() const override { return "TKXCustomGeneticAlgorithm"; }

  /// From another genetic algorithm: GeneSize (without resizing chromosomes), CrossoverMethod
  /// and the genotype; then, for any source, the core's settings and populations (copied
  /// individuals keep their own chromosome widths).
  void Assign(TKXPersistent* Source) override;

  ///@{
  /// The genotype. SetGenes copies Value's genes (their sizes are taken directly, so GeneSize
  /// does not grow).
  TKXGAGenes* Genes() const;
  void SetGenes(TKXGAGenes* Value);
  ///@}

  ///@{
  /// Chromosome width of every individual of the current population. Setting a different
  /// width resizes every chromosome of the current population (new bits 0) and marks each
  /// individual modified; the previous generation is left alone. A width outside
  /// 0 .. MAX_GENE_SIZE, or one that takes the population past MAX_POPULATION_BITS, raises
  /// EGAException and changes nothing.
  std::int32_t GeneSize() const noexcept { return FGeneSize; }
  void SetGeneSize(std::int32_t Value);
  ///@}

  ///@{
  /// Where crossover may cut the parents' chromosomes.
  TGACrossoverMethod CrossoverMethod() const noexcept { return FCrossoverMethod; }
  void SetCrossoverMethod(TGACrossoverMethod Value) noexcept { FCrossoverMethod = Value; }
  ///@}

  ///@{
  /// May veto a chromosome crossover that passed its probability test, or choose its cut.
  const TKXGACrossoverEvent& OnCrossover() const noexcept { return FOnCrossover; }
  void SetOnCrossover(TKXGACrossoverEvent Value) { FOnCrossover = std::move(Value); }
  ///@}

  ///@{
  /// Typed views of the core's populations and fittest individual.
  TKXGAPopulation* Population() const;
  using TKXCustomGeneticComponent::SetPopulation;
  TKXGAPopulation* PreviousGeneration() const noexcept;
  using TKXCustomGeneticComponent::SetPreviousGeneration;
  TKXGAIndividual* FittestIndividual() const noexcept;

  // --- Documents ---------------------------------------------------------------------------
  // A genetic algorithm saves and loads itself as a GeneticAlgorithm document: the common
  // header, the reproduction settings and the domain (genotype, fittest individual,
  // population). Loading replaces settings, genotype and population and leaves the component
  // initialized with the loaded population in both generations; the handlers stay.

  using TKXCustomGeneticComponent::LoadFromXML;
  using TKXCustomGeneticComponent::SaveToXML;
  /// The GeneticAlgorithm document, not indented.
  void SaveToStream(std::ostream& Stream) override;
  /// Parse a GeneticAlgorithm document, check all of it and load it; see the core's
  /// LoadFromStream for errors (nothing changes) and the restored statistics.
  void LoadFromStream(std::istream& Stream) override;
  void LoadFromFile(const std::string& FileName) override;
  /// The header, the reproduction settings, then the domain.
  virtual void SaveToXML(const TXMLGeneticAlgorithm& Doc);
  /// The header, then the reproduction settings through the setters (an unknown or empty
  /// crossover or selection method name keeps the method; a missing probability reads as 0),
  /// then the domain.
  virtual void LoadFromXML(const TXMLGeneticAlgorithm& Doc);
  /// The genotype, the fittest individual when there is one, and the population.
  virtual void SaveToXML(const TXMLGADomainType& Domain);
  /// The genotype (which sets GeneSize), the population, and a copy of it as the previous
  /// generation; the fittest individual is not read, the next evaluation finds it.
  virtual void LoadFromXML(const TXMLGADomainType& Domain);

  /// Refuses (EGAException) an initialization whose population would hold more than
  /// MAX_POPULATION_BITS chromosome bits, before any individual is added; otherwise the
  /// core's Initialize.
  void Initialize() override;

  /// Every child that reaches mutation is offered to the per-bit operator (there is no draw
  /// per individual); OnMutation may veto first. True when at least one bit flipped.
  bool Mutate(TKXIndividual* Item) override;

  /// Randomizes every chromosome of the current population, re-drawing duplicates within a
  /// budget of InitialDuplicatesRetries re-draws shared by the whole population (0 or less
  /// checks nothing). Returns the number of distinct chromosomes registered.
  std::int32_t DoInitialize() override;

  /// Cuts once (CrossoverMethod), lets OnCrossover move the cut or veto, and crosses Child1
  /// from (Parent1, Parent2) and Child2 from (Parent2, Parent1) at the same cut. Returns the
  /// final veto flag (true when no handler vetoed).
  bool DoCrossover(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                   TKXIndividual* Child2) override;
  /// Per-bit mutation with MutationProbability.
  bool DoMutate(TKXIndividual* Item) override;
  /// Complements a random run of bits; always true.
  bool DoInvert(TKXIndividual* Item) override;

 protected:
  friend class TKXGAGenes;

  /// The genotype factory: a genotype owned by this component building genes of GeneClass.
  virtual std::unique_ptr<TKXGAGenes> CreateGenes(TKXGeneClass GeneClass);
  /// Always a TKXGAPopulation of TKXGAIndividual (ItemClass is ignored).
  std::unique_ptr<TKXPopulation> CreatePopulation(TKXItemClass ItemClass) override;

  /// Sizes every added individual's chromosome to GeneSize; an added item that is not a
  /// TKXGAIndividual raises EConvertError, and one that takes the population past
  /// MAX_POPULATION_BITS raises EGAException (it stays, with an empty chromosome).
  void PopulationNotify(TKXIndividual* Item, TCollectionNotification Action) override;

  /// The crossover cut for a child chromosome of ChildSize bits (the last bit taken from the
  /// first parent).
  virtual std::int32_t CrossoverPoint(std::int32_t ChildSize);

  ///@{
  /// Hooks called by the genotype; they do nothing here.
  virtual void GeneNotify(TKXGAGene* Gene, TCollectionNotification Action);
  virtual void GeneUpdate(TKXGAGene* Gene);
  ///@}
  /// Grows GeneSize to the genotype's total width when that is larger; never shrinks it.
  virtual void GenesSizeChange();

 private:
  /// LoadFromStream and LoadFromFile once the document is parsed.
  void LoadCheckedDocument(TKXXMLDocument& Doc);

  mutable std::unique_ptr<TKXGAGenes> FGenes;
  std::int32_t FGeneSize = 0;
  TGACrossoverMethod FCrossoverMethod = cmGeneBoundary;
  TKXGACrossoverEvent FOnCrossover;
};

}  // namespace kx
