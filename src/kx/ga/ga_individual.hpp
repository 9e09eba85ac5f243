#pragma once

#include <memory>
#include <string>

#include "kx/core/individual.hpp"
#include "kx/ga/ga_bits.hpp"

namespace kx {

class TKXGAPopulation;
class TXMLChromosome;

/// An individual of the genetic algorithm: a chromosome (TKXGABits) whose width the owning
/// component sets when the individual joins its population and whenever GeneSize changes.
///
/// The chromosome is created on first use through the virtual CreateDNA, so a subclass's
/// override is honoured (a base constructor cannot reach it); the population's add
/// notification is that first use for every individual of a component.
///
/// An individual persists itself as a Chromosome element: name, fitness, the chromosome's
/// bit text and, for readers of the file, the decoded gene values.
class TKXGAIndividual : public TKXIndividual {
 public:
  /// An individual with an empty chromosome, joining Collection once constructed.
  explicit TKXGAIndividual(TKXCollection* Collection = nullptr) noexcept
      : TKXIndividual(Collection) {}
  ~TKXGAIndividual() override;

  std::string ClassName() const override { return "TKXGAIndividual"; }

  /// From a GA individual: its chromosome (size and bits) first; then, for any source, the
  /// base copy of fitness, staleness and name.
  void Assign(TKXPersistent* Source) override;

  /// The chromosome (never nullptr).
  TKXGABits* Bits() const;
  /// Copies Value's size and bits into the chromosome and marks the individual modified.
  void SetBits(const TKXEncodedBits& Value);

  /// The class name, a blank and the chromosome's text, e.g. "TKXGAIndividual 8:A3".
  std::string ToString() const;

  /// The population holding the individual, or nullptr.
  TKXGAPopulation* Collection() const noexcept;

  ///@{
  /// The Chromosome forms when Node is a Chromosome element (an item of Chromosomes or a
  /// domain's FittestIndividual); other elements are ignored.
  void LoadFromXML(const TXMLNode& Node) override;
  void SaveToXML(const TXMLNode& Node) override;
  ///@}
  /// Reads the name and the bit text, written over the chromosome's current width, and marks
  /// the individual modified: the fitness is recomputed, never read.
  virtual void LoadFromXML(const TXMLChromosome& Chromosome);
  /// Writes the display name, the fitness (a stale one is evaluated first), the bit text and,
  /// inside a genetic algorithm's population, the gene values of its genotype.
  virtual void SaveToXML(const TXMLChromosome& Chromosome);

 protected:
  /// The chromosome factory; subclasses may return a subclass of TKXGABits bound to this.
  virtual std::unique_ptr<TKXGABits> CreateDNA();

 private:
  friend class TKXGABits;

  mutable std::unique_ptr<TKXGABits> FBits;
};

}  // namespace kx
