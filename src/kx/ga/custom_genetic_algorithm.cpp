#include "kx/ga/custom_genetic_algorithm.hpp"

#include <algorithm>
#include <string>

#include "kx/host/dictionary.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"

namespace kx {

namespace {

TKXGAIndividual* AsGAIndividual(TKXIndividual* Item) {
  auto* individual = dynamic_cast<TKXGAIndividual*>(Item);
  if (individual == nullptr) {
    throw EConvertError(
        "Invalid class typecast: " + (Item != nullptr ? Item->ClassName() : std::string("nil")) +
        " is not a TKXGAIndividual");
  }
  return individual;
}

// Raises EGAException when Individuals chromosomes of Width bits exceed MAX_POPULATION_BITS.
void CheckPopulationBits(std::int64_t Individuals, std::int32_t Width) {
  if (Individuals * Width <= MAX_POPULATION_BITS) return;
  throw EGAException(std::to_string(Individuals) + " chromosomes of " + std::to_string(Width) +
                     " bits exceed the population limit of " + std::to_string(MAX_POPULATION_BITS) +
                     " bits");
}

}  // namespace

TKXCustomGeneticAlgorithm::TKXCustomGeneticAlgorithm(TKXComponent* AOwner)
    : TKXCustomGeneticComponent(AOwner) {}

TKXCustomGeneticAlgorithm::~TKXCustomGeneticAlgorithm() { FGenes.reset(); }

// --- Genotype and chromosome width ------------------------------------------------------------

std::unique_ptr<TKXGAGenes> TKXCustomGeneticAlgorithm::CreateGenes(TKXGeneClass GeneClass) {
  return std::make_unique<TKXGAGenes>(this, GeneClass);
}

TKXGAGenes* TKXCustomGeneticAlgorithm::Genes() const {
  if (!FGenes) {
    FGenes = const_cast<TKXCustomGeneticAlgorithm*>(this)->CreateGenes(ItemClassOf<TKXGAGene>());
  }
  return FGenes.get();
}

void TKXCustomGeneticAlgorithm::SetGenes(TKXGAGenes* Value) { Genes()->Assign(Value); }

void TKXCustomGeneticAlgorithm::SetGeneSize(std::int32_t Value) {
  if (Value == FGeneSize) return;
  CheckInRange(Value, 0, MAX_GENE_SIZE, "GeneSize");
  TKXGAPopulation* population = Population();
  CheckPopulationBits(population->Count(), Value);
  FGeneSize = Value;
  population->BeginUpdate();
  try {
    for (std::int32_t i = 0; i < population->Count(); ++i) {
      TKXGAIndividual* individual = population->ItemAt(i);
      individual->Bits()->SetSize(Value);
      individual->Modified();
    }
  } catch (...) {
    population->EndUpdate();
    throw;
  }
  population->EndUpdate();
}

void TKXCustomGeneticAlgorithm::GenesSizeChange() {
  const std::int32_t size = Genes()->GetSize();
  if (size > FGeneSize) SetGeneSize(size);
}

void TKXCustomGeneticAlgorithm::GeneNotify(TKXGAGene* /*Gene*/,
                                           TCollectionNotification /*Action*/) {}

void TKXCustomGeneticAlgorithm::GeneUpdate(TKXGAGene* /*Gene*/) {}

// --- Populations ------------------------------------------------------------------------------

std::unique_ptr<TKXPopulation> TKXCustomGeneticAlgorithm::CreatePopulation(
    TKXItemClass /*ItemClass*/) {
  return std::make_unique<TKXGAPopulation>(this);
}

TKXGAPopulation* TKXCustomGeneticAlgorithm::Population() const {
  return static_cast<TKXGAPopulation*>(TKXCustomGeneticComponent::Population());
}

TKXGAPopulation* TKXCustomGeneticAlgorithm::PreviousGeneration() const noexcept {
  return static_cast<TKXGAPopulation*>(TKXCustomGeneticComponent::PreviousGeneration());
}

TKXGAIndividual* TKXCustomGeneticAlgorithm::FittestIndividual() const noexcept {
  return dynamic_cast<TKXGAIndividual*>(TKXCustomGeneticComponent::FittestIndividual());
}

void TKXCustomGeneticAlgorithm::PopulationNotify(TKXIndividual* Item,
                                                 TCollectionNotification Action) {
  TKXCustomGeneticComponent::PopulationNotify(Item, Action);
  if (Action != TCollectionNotification::cnAdded) return;
  TKXGAIndividual* individual = AsGAIndividual(Item);
  // Streams and documents add individuals one by one; a short text must not add gigabytes.
  if (const TKXPopulation* population = individual->Collection())
    CheckPopulationBits(population->Count(), FGeneSize);
  individual->Bits()->SetSize(FGeneSize);
}

// --- Initialization ---------------------------------------------------------------------------

void TKXCustomGeneticAlgorithm::Initialize() {
  CheckPopulationBits(std::max(Population()->Count(), InitialPopulation()), FGeneSize);
  TKXCustomGeneticComponent::Initialize();
}

std::int32_t TKXCustomGeneticAlgorithm::DoInitialize() {
  std::int32_t result = 0;
  std::int32_t retries = InitialDuplicatesRetries();
  // Only a set of the chromosome texts already taken; it allocates nothing while empty.
  TKXDictionary<std::string, TKXGAIndividual*> taken;
  TKXGAPopulation* population = Population();
  for (std::int32_t i = 0; i < population->Count(); ++i) {
    TKXGAIndividual* individual = population->ItemAt(i);
    TKXGABits* bits = individual->Bits();
    bits->Randomize();
    while (retries > 0) {
      std::string key = bits->ToString();
      if (!taken.ContainsKey(key)) {
        taken.Add(std::move(key), individual);
        ++result;
        break;
      }
      --retries;
      bits->Randomize();
    }
  }
  return result;
}

// --- Operators --------------------------------------------------------------------------------

std::int32_t TKXCustomGeneticAlgorithm::CrossoverPoint(std::int32_t ChildSize) {
  const std::int32_t s = ChildSize;
  switch (FCrossoverMethod) {
    case cmGeneBoundary: {
      const TKXGAGenes* genes = Genes();
      const std::int32_t count = genes->Count();
      if (count >= 2) return genes->ItemAt(RandomInt(count - 1) + 1)->Offset();
      const std::int32_t width = count == 1 ? genes->ItemAt(0)->Size() : 0;
      if (width <= 0) {
        throw EGAException(
            "Gene boundary crossover needs at least one gene of a width greater than 0");
      }
      return width * (RandomInt(s) / width);
    }
    case cmBitBoundary:
      return RandomInt(s);
    case cmByteBoundary:
      return FGeneSize >= 16 ? (RandomInt(s / 8) + 1) * 8 : RandomInt(s);
    case cmWordBoundary:
      return FGeneSize >= 32 ? (RandomInt(s / 16) + 1) * 16 : RandomInt(s);
    case cmLongwordBoundary:
      return FGeneSize >= 64 ? (RandomInt(s / 32) + 1) * 32 : RandomInt(s);
  }
  return RandomInt(s);
}

bool TKXCustomGeneticAlgorithm::DoCrossover(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                            TKXIndividual* Child1, TKXIndividual* Child2) {
  TKXGAIndividual* parent1 = AsGAIndividual(Parent1);
  TKXGAIndividual* parent2 = AsGAIndividual(Parent2);
  TKXGAIndividual* child1 = AsGAIndividual(Child1);
  TKXGAIndividual* child2 = Child2 != nullptr ? AsGAIndividual(Child2) : nullptr;

  std::int32_t point = CrossoverPoint(child1->Bits()->Size());
  bool doCrossover = true;
  if (FOnCrossover) FOnCrossover(this, parent1, parent2, child1, point, doCrossover);
  if (doCrossover) child1->Bits()->CrossOver(*parent1->Bits(), *parent2->Bits(), point);
  if (child2 != nullptr) {
    if (FOnCrossover) FOnCrossover(this, parent2, parent1, child2, point, doCrossover);
    if (doCrossover) child2->Bits()->CrossOver(*parent2->Bits(), *parent1->Bits(), point);
  }
  return doCrossover;
}

bool TKXCustomGeneticAlgorithm::Mutate(TKXIndividual* Item) {
  bool doMutation = true;
  if (OnMutation()) OnMutation()(this, Item, doMutation);
  if (doMutation) doMutation = DoMutate(Item);
  return doMutation;
}

bool TKXCustomGeneticAlgorithm::DoMutate(TKXIndividual* Item) {
  return AsGAIndividual(Item)->Bits()->Mutate(MutationProbability());
}

bool TKXCustomGeneticAlgorithm::DoInvert(TKXIndividual* Item) {
  AsGAIndividual(Item)->Bits()->Invert(-1, -1);
  return true;
}

// --- Copying ----------------------------------------------------------------------------------

void TKXCustomGeneticAlgorithm::Assign(TKXPersistent* Source) {
  if (auto* source = dynamic_cast<TKXCustomGeneticAlgorithm*>(Source)) {
    FGeneSize = source->FGeneSize;
    FCrossoverMethod = source->FCrossoverMethod;
    SetGenes(source->Genes());
  }
  TKXCustomGeneticComponent::Assign(Source);
}

}  // namespace kx
