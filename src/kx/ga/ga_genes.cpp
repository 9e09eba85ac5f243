#include "kx/ga/ga_genes.hpp"

#include "kx/ga/custom_genetic_algorithm.hpp"

namespace kx {

TKXGAGenes::TKXGAGenes(TKXPersistent* Owner, TKXGeneClass GeneClass)
    : TKXOwnedCollection<TKXGAGene>(GeneClass, Owner),
      FAlgorithm(dynamic_cast<TKXCustomGeneticAlgorithm*>(Owner)) {}

void TKXGAGenes::UpdateOffsets(std::int32_t Start) noexcept {
  const std::int32_t count = Count();
  if (count == 0) return;
  if (Start == 0) Start = 1;
  ItemAt(0)->SetOffset(0);
  for (std::int32_t i = Start; i < count; ++i) {
    const TKXGAGene* previous = ItemAt(i - 1);
    ItemAt(i)->SetOffset(previous->Offset() + previous->Size());
  }
}

std::int32_t TKXGAGenes::GetSize() const noexcept {
  if (Count() == 0) return 0;
  const TKXGAGene* last = ItemAt(Count() - 1);
  return last->Offset() + last->Size();
}

void TKXGAGenes::SizeChange(std::int32_t Index) {
  UpdateOffsets(Index + 1);
  if (FAlgorithm != nullptr) FAlgorithm->GenesSizeChange();
}

void TKXGAGenes::Notify(TKXCollectionItem* Item, TCollectionNotification Action) {
  TKXOwnedCollection<TKXGAGene>::Notify(Item, Action);
  UpdateOffsets(0);
  if (FAlgorithm != nullptr) FAlgorithm->GeneNotify(static_cast<TKXGAGene*>(Item), Action);
}

void TKXGAGenes::Update(TKXCollectionItem* Item) {
  if (Item == nullptr) UpdateOffsets(0);
  if (FAlgorithm != nullptr) FAlgorithm->GeneUpdate(static_cast<TKXGAGene*>(Item));
}

}  // namespace kx
