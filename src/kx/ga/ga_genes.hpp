#pragma once

#include <cstdint>
#include <string>

#include "kx/ga/ga_gene.hpp"
#include "kx/host/collection.hpp"

namespace kx {

class TKXCustomGeneticAlgorithm;
class TKXGAIndividual;
class TXMLGenes;
class TXMLGenoType;

/// The genotype: an ordered, owned list of gene definitions laid end to end from bit 0.
/// Gene 0 starts at bit 0 and gene i at Offset + Size of gene i - 1, so genes never overlap
/// and leave no gaps. Adding, deleting and reordering genes recompute every offset; resizing
/// a gene recomputes the offsets after it and lets the owning component grow its GeneSize
/// (never shrink it). The owner hears of every insertion, removal and change through its
/// GeneNotify, GeneUpdate and GenesSizeChange hooks.
///
/// A genotype persists itself as a GenoType element: one gene element per gene in genotype
/// order, and the chromosome width in its Size attribute.
class TKXGAGenes : public TKXOwnedCollection<TKXGAGene> {
 public:
  /// Owner is usually the genetic algorithm; GeneClass builds the genes.
  explicit TKXGAGenes(TKXPersistent* Owner = nullptr,
                      TKXGeneClass GeneClass = ItemClassOf<TKXGAGene>());

  std::string ClassName() const override { return "TKXGAGenes"; }

  /// The owning genetic algorithm, or nullptr when the owner is not one.
  TKXCustomGeneticAlgorithm* Owner() const noexcept { return FAlgorithm; }

  /// Recomputes the offsets of the genes from Start on (Start 0 counts as 1; gene 0 is
  /// always at bit 0).
  void UpdateOffsets(std::int32_t Start) noexcept;
  /// The total width: 0 without genes, else Offset + Size of the last gene.
  std::int32_t GetSize() const noexcept;

  /// Called by a gene whose size changed: the offsets after it, then the owner's
  /// GenesSizeChange.
  virtual void SizeChange(std::int32_t Index);

  /// Replaces the genes by those of GenoType. The owning component's GeneSize is set to the
  /// Size attribute first (0 when missing). Each gene is rebuilt through its setters with
  /// its kind set last, so an integer or float gene comes back with the natural range of its
  /// size and signedness, and an enumeration gene with the width its names require. A child
  /// that is not a gene element raises EXMLError, leaving the genes read so far; the change
  /// notifications held back meanwhile are released on every exit.
  virtual void LoadFromXML(const TXMLGenoType& GenoType);
  /// Appends one gene element per gene of known kind (named by its display name), then sets
  /// the Size attribute to the total width (the owner's GeneSize when there are no widths).
  virtual void SaveToXML(const TXMLGenoType& GenoType);
  /// Appends the gene values Individual's chromosome holds, one value item per gene of known
  /// kind. An enumeration field without a name raises EGAException.
  virtual void SaveToXML(const TXMLGenes& Genes, TKXGAIndividual* Individual);

 protected:
  void Notify(TKXCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TKXCollectionItem* Item) override;

 private:
  TKXCustomGeneticAlgorithm* FAlgorithm;
};

}  // namespace kx
