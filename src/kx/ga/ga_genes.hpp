#pragma once

#include <cstdint>
#include <string>

#include "kx/ga/ga_gene.hpp"
#include "kx/host/collection.hpp"

namespace kx {

class TKXCustomGeneticAlgorithm;

// The genotype: an ordered, owned list of gene definitions laid end to end from bit 0.
// Gene 0 starts at bit 0 and gene i at Offset + Size of gene i - 1, so genes never overlap
// and leave no gaps. Adding, deleting and reordering genes recompute every offset; resizing
// a gene recomputes the offsets after it and lets the owning component grow its GeneSize
// (never shrink it). The owner hears of every insertion, removal and change through its
// GeneNotify, GeneUpdate and GenesSizeChange hooks.
//
// Persistence of the genotype as a document (load and save of a GenoType element, and of
// an individual's gene values) is added by the XML layer.
class TKXGAGenes : public TKXOwnedCollection<TKXGAGene> {
 public:
  // Owner is usually the genetic algorithm; GeneClass builds the genes.
  explicit TKXGAGenes(TKXPersistent* Owner = nullptr,
                      TKXGeneClass GeneClass = ItemClassOf<TKXGAGene>());

  std::string ClassName() const override { return "TKXGAGenes"; }

  // The owning genetic algorithm, or nullptr when the owner is not one.
  TKXCustomGeneticAlgorithm* Owner() const noexcept { return FAlgorithm; }

  // Recomputes the offsets of the genes from Start on (Start 0 counts as 1; gene 0 is
  // always at bit 0).
  void UpdateOffsets(std::int32_t Start) noexcept;
  // The total width: 0 without genes, else Offset + Size of the last gene.
  std::int32_t GetSize() const noexcept;

  // Called by a gene whose size changed: the offsets after it, then the owner's
  // GenesSizeChange.
  virtual void SizeChange(std::int32_t Index);

 protected:
  void Notify(TKXCollectionItem* Item, TCollectionNotification Action) override;
  void Update(TKXCollectionItem* Item) override;

 private:
  TKXCustomGeneticAlgorithm* FAlgorithm;
};

}  // namespace kx
