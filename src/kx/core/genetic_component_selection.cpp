// Parent selection: the installed routine and the built-in methods.

#include <cmath>

#include "kx/core/genetic_component.hpp"
#include "kx/host/priority_queue.hpp"
#include "kx/host/random.hpp"

namespace kx {

TKXSelectionEvent TKXCustomGeneticComponent::SelectionRoutine(TGASelectionMethod Method) {
  // Each routine calls the member through the virtual dispatch, so a subclass's override
  // is the one that runs.
  switch (Method) {
    case smRoulette:
      return [this](TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent) {
        SelectRoulette(Sender, Population, Parent);
      };
    case smRandom:
      return [this](TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent) {
        SelectRandom(Sender, Population, Parent);
      };
    case smTournament:
      return [this](TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent) {
        SelectTournament(Sender, Population, Parent);
      };
    case smStochasticTournament:
      return [this](TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent) {
        SelectStochasticTournament(Sender, Population, Parent);
      };
    case smElitist:
      return [this](TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent) {
        SelectElitist(Sender, Population, Parent);
      };
    case smCustom:
      break;
  }
  return nullptr;
}

void TKXCustomGeneticComponent::SetSelectionMethod(TGASelectionMethod Value) {
  if (Value == FSelectionMethod) return;
  FSelectionMethod = Value;
  FOnSelection = SelectionRoutine(Value);
}

void TKXCustomGeneticComponent::SetOnSelection(TKXSelectionEvent Value) {
  FOnSelection = std::move(Value);
  if (FOnSelection) {
    FSelectionMethod = smCustom;
  } else {
    SetSelectionMethod(smRoulette);
  }
}

TKXIndividual* TKXCustomGeneticComponent::SelectParent(TKXPopulation* Population) {
  if (!FOnSelection) return DoSelectParent(Population);
  TKXIndividual* parent = nullptr;
  FOnSelection(this, Population, parent);
  return parent;
}

TKXIndividual* TKXCustomGeneticComponent::DoSelectParent(TKXPopulation* /*Population*/) {
  throw EGAException(SNoSelectionFunction.Text);
}

void TKXCustomGeneticComponent::SelectRandom(TKXObject* /*Sender*/, TKXPopulation* Population,
                                             TKXIndividual*& Parent) {
  Parent = Population->Items(RandomInt(Population->Count()));
}

void TKXCustomGeneticComponent::SelectTournament(TKXObject* Sender, TKXPopulation* Population,
                                                 TKXIndividual*& Parent) {
  SelectRandom(Sender, Population, Parent);
  for (std::int32_t i = 1; i < FTournamentField; ++i) {
    TKXIndividual* candidate = nullptr;
    SelectRandom(Sender, Population, candidate);
    Parent = Fittest(Parent, candidate, false);
  }
}

void TKXCustomGeneticComponent::SelectStochasticTournament(TKXObject* Sender,
                                                           TKXPopulation* Population,
                                                           TKXIndividual*& Parent) {
  SelectRandom(Sender, Population, Parent);
  for (std::int32_t i = 1; i < FTournamentField; ++i) {
    TKXIndividual* candidate = nullptr;
    SelectRoulette(Sender, Population, candidate);
    Parent = Fittest(Parent, candidate, false);
  }
}

bool TKXCustomGeneticComponent::AllFitnessesEqual() const noexcept {
  return IsWeighted(FFitnessMethod) ? FMinWeightedFitness == FMaxWeightedFitness
                                    : FMinFitness == FMaxFitness;
}

std::int32_t TKXCustomGeneticComponent::RouletteSearch(const TGAFitnessArray& Table,
                                                       double R) noexcept {
  const auto length = static_cast<std::int32_t>(Table.size());
  if (length == 0) return 0;
  // The search runs over [0, length]; the virtual entry past the end counts as infinite,
  // so a draw above every entry (rounding) lands there and is then kept in range.
  std::int32_t lo = 0;
  std::int32_t hi = length;
  while (lo <= hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (mid < length && R >= Table[static_cast<std::size_t>(mid)]) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return lo < length ? lo : length - 1;
}

void TKXCustomGeneticComponent::SelectRoulette(TKXObject* Sender, TKXPopulation* Population,
                                               TKXIndividual*& Parent) {
  if (AllFitnessesEqual()) {
    SelectRandom(Sender, Population, Parent);
    return;
  }
  const double r = RandomFloat();
  if (FCumNormFitnesses.empty()) CalculateCumulativeNormalizedFitnesses();
  std::int32_t index = RouletteSearch(FCumNormFitnesses, r);
  if (index >= Population->Count()) index = Population->Count() - 1;
  SetRouletteIndex(index);
  Parent = Population->Items(index);
}

void TKXCustomGeneticComponent::SetRouletteIndex(std::int32_t Value) noexcept {
  TBreedingStep& step = tBreedingStep;
  if (step.Component == this) {
    step.RouletteIndex = Value;
  } else {
    FRouletteIndex = Value;
  }
}

std::int32_t TKXCustomGeneticComponent::NextElitistRank(std::int32_t K) noexcept {
  TBreedingStep& step = tBreedingStep;
  if (step.Component == this) {
    // Draw k of the generation: the sequential counter, restarted at -1, would stand at
    // k mod (K + 1) after its increment.
    step.RouletteIndex = (step.FirstDraw + step.Draws++) % (K + 1);
    return step.RouletteIndex;
  }
  ++FRouletteIndex;
  if (FRouletteIndex > K) FRouletteIndex = 0;
  return FRouletteIndex;
}

void TKXCustomGeneticComponent::SelectElitist(TKXObject* Sender, TKXPopulation* Population,
                                              TKXIndividual*& Parent) {
  if (AllFitnessesEqual()) {
    SelectRandom(Sender, Population, Parent);
    return;
  }
  const auto k = static_cast<std::int32_t>(std::nearbyint(Population->Count() * FElitistPct));
  const std::int32_t rank = NextElitistRank(k);
  if (!FPriorityQueue) {
    // PrioritizePopulation ranks Population(); while breeding, the parents are the previous
    // generation, so the two change places for the ranking (and back, also on an error).
    const bool breeding = Population == PreviousGeneration() && Population != this->Population();
    struct TSwapScope {
      TKXCustomGeneticComponent& Component;
      bool Swapped;
      ~TSwapScope() {
        if (Swapped) Component.SwapGenerations();
      }
    } scope{*this, breeding};
    if (breeding) SwapGenerations();
    PrioritizePopulation();
  }
  // With ElitistPct near 1 the cycle would reach one past the last ranked individual.
  const std::int32_t last = FPriorityQueue->Count() - 1;
  Parent = static_cast<TKXIndividual*>(FPriorityQueue->Items(rank < last ? rank : last));
}

}  // namespace kx
