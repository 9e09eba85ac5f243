// Bloat control, program statistics and the GP fitness rules of the generic program
// component. Included by custom_genetic_programming.cpp, which instantiates the component.

namespace kx::generics {

template <class T>
void TKXCustomGeneticProgramming<T>::DoAntiBloating(TIndividual* Parent,
                                                    TIndividual* /*OtherParent*/,
                                                    TIndividual* Child, bool Reproduced) {
  if (Child == nullptr || Child->DNA() == nullptr) return;
  const TNode* root = Child->DNA();
  switch (FBloatStrategy) {
    case bsSizeLimit:
      if (Reproduced && Parent != nullptr && root->Size() > FBloatLimit) Child->Assign(Parent);
      break;
    case bsDepthLimit:
      if (Reproduced && Parent != nullptr && root->Depth() > FBloatLimit) Child->Assign(Parent);
      break;
    case bsShrinkDepth:
      if (root->Depth() > FBloatLimit) DoShrinkMutation(Child);
      break;
    case bsShrinkSize:
      if (root->Size() > FBloatLimit) DoShrinkMutation(Child);
      break;
    case bsHoistDepth:
      if (root->Depth() > FBloatLimit) DoHoistMutation(Child);
      break;
    case bsHoistSize:
      if (root->Size() > FBloatLimit) DoHoistMutation(Child);
      break;
    default:
      break;
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::EvaluateFitness() {
  // The Tarpeian rules read the statistics during the pass, perhaps from several threads:
  // fill the cache now so that the pass only reads it.
  EnsureProgramStats();
  TKXCustomGeneticComponent::EvaluateFitness();
}

template <class T>
TGAFitness TKXCustomGeneticProgramming<T>::EvaluateFitness(TKXIndividual* Item, bool Weighted) {
  if (!Weighted) {
    const TIndividual* individual = AsIndividual(Item);
    const TNode* root = individual != nullptr ? individual->DNA() : nullptr;
    if (root != nullptr) {
      bool unfit = false;
      switch (FBloatStrategy) {
        case bsTarpeianSize:
          unfit = root->Size() > AvgProgramSize() && FTarpeianProbability > RandomFloat();
          break;
        case bsTarpeianDepth:
          unfit = root->Depth() > AvgProgramDepth() && FTarpeianProbability > RandomFloat();
          break;
        case bsUnfitSize:
          unfit = root->Size() > FBloatLimit;
          break;
        case bsUnfitDepth:
          unfit = root->Depth() > FBloatLimit;
          break;
        default:
          break;
      }
      if (unfit) return UnfitFitness();
      // Whatever the handler does with the program, it starts by reaching every node.
      detail::PrefetchNodes(individual->FlattenedDNA());
    }
  }
  return TKXCustomGeneticComponent::EvaluateFitness(Item, Weighted);
}

template <class T>
void TKXCustomGeneticProgramming<T>::PrefetchIndividual(const TKXIndividual* Item) const noexcept {
  if (const TIndividual* individual = AsIndividual(const_cast<TKXIndividual*>(Item))) {
    detail::PrefetchNodes(individual->FlattenedDNA());
  }
}

template <class T>
TGAFitness TKXCustomGeneticProgramming<T>::DoEvaluateWeightedFitness(TKXIndividual* Item) {
  if (OnEvaluateWeightedFitness())
    return TKXCustomGeneticComponent::DoEvaluateWeightedFitness(Item);
  const TIndividual* individual = AsIndividual(Item);
  const TNode* root = individual != nullptr ? individual->DNA() : nullptr;
  double penalty = 0;
  if (root != nullptr) {
    switch (FBloatStrategy) {
      case bsSizeParsimonyPressure:
      case bsCovariantSizeParsimonyPressure:
        penalty = FParsimonyCoefficient * root->Size();
        break;
      case bsDepthParsimonyPressure:
      case bsCovariantDepthParsimonyPressure:
        penalty = FParsimonyCoefficient * root->Depth();
        break;
      default:
        break;
    }
  }
  const TGAFitness fitness = Item->Fitness();
  return IsMinimizing(FitnessMethod()) ? fitness + penalty : fitness - penalty;
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoCalculateWeightedFitnessStatistics() {
  if (FBloatStrategy == bsCovariantSizeParsimonyPressure ||
      FBloatStrategy == bsCovariantDepthParsimonyPressure) {
    const bool bySize = FBloatStrategy == bsCovariantSizeParsimonyPressure;
    TPopulation* population = Population();
    const int count = population->Count();
    std::vector<double> fitness(static_cast<std::size_t>(count));
    std::vector<double> measure(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      TIndividual* individual = population->ItemAt(i);
      fitness[i] = individual->Fitness();
      const TNode* root = individual->DNA();
      measure[i] = root == nullptr ? 0 : (bySize ? root->Size() : root->Depth());
    }
    // A single individual has no sample variance: its coefficient is 0.
    const double variance = SampleVariance(measure);
    FParsimonyCoefficient = variance == 0 ? 0 : CoVariance(measure, fitness) / variance;
  }
  TKXCustomGeneticComponent::DoCalculateWeightedFitnessStatistics();
}

template <class T>
void TKXCustomGeneticProgramming<T>::SelectTournament(TKXObject* Sender, TKXPopulation* Population,
                                                      TKXIndividual*& Parent) {
  SelectRandom(Sender, Population, Parent);
  const bool lexicographic = FBloatStrategy == bsLexicographicParsimonyPressure;
  for (std::int32_t i = 1; i < TournamentField(); ++i) {
    TKXIndividual* contestant = nullptr;
    SelectRandom(Sender, Population, contestant);
    if (!lexicographic) {
      Parent = Fittest(Parent, contestant, false);
      continue;
    }
    const std::int32_t order = CompareFitness(Parent, contestant, false);
    if (order > 0) {
      Parent = contestant;
    } else if (order == 0) {
      const TIndividual* winner = AsIndividual(Parent);
      const TIndividual* challenger = AsIndividual(contestant);
      if (winner != nullptr && challenger != nullptr && winner->DNA() != nullptr &&
          challenger->DNA() != nullptr && challenger->DNA()->Size() < winner->DNA()->Size()) {
        Parent = contestant;
      }
    }
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoStartEvolve() {
  TKXCustomGeneticComponent::DoStartEvolve();
  InvalidateProgramStats();
}

template <class T>
void TKXCustomGeneticProgramming<T>::CalculateProgramStats() {
  FMinProgramSize = FMaxProgramSize = FMinProgramDepth = FMaxProgramDepth = 0;
  FAvgProgramSize = FAvgProgramDepth = 0;
  TPopulation* population = Population();
  const int count = population->Count();
  if (count == 0) return;
  auto sizeOf = [](const TIndividual* individual) {
    return individual->DNA() != nullptr ? individual->DNA()->Size() : 0;
  };
  auto depthOf = [](const TIndividual* individual) {
    return individual->DNA() != nullptr ? individual->DNA()->Depth() : 0;
  };
  std::int32_t minSize = sizeOf(population->ItemAt(0));
  std::int32_t maxSize = minSize;
  float sizeSum = static_cast<float>(minSize);
  std::int32_t minDepth = depthOf(population->ItemAt(0));
  std::int32_t maxDepth = minDepth;
  float depthSum = static_cast<float>(minDepth);
  for (int i = 1; i < count; ++i) {
    const std::int32_t size = sizeOf(population->ItemAt(i));
    if (size < minSize) {
      minSize = size;
    } else if (size > maxSize) {
      maxSize = size;
    }
    sizeSum += static_cast<float>(size);
    const std::int32_t depth = depthOf(population->ItemAt(i));
    if (depth < minDepth) {
      minDepth = depth;
    } else if (depth > maxDepth) {
      maxDepth = depth;
    }
    depthSum += static_cast<float>(depth);
  }
  FMinProgramSize = minSize;
  FMinProgramDepth = minDepth;
  FMaxProgramDepth = maxDepth;
  FAvgProgramSize = sizeSum / static_cast<float>(count);
  FAvgProgramDepth = depthSum / static_cast<float>(count);
  // Written last: a non-zero maximum size is what marks the cache valid.
  FMaxProgramSize = maxSize;
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::MinProgramSize() {
  EnsureProgramStats();
  return FMinProgramSize;
}

template <class T>
float TKXCustomGeneticProgramming<T>::AvgProgramSize() {
  EnsureProgramStats();
  return FAvgProgramSize;
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::MaxProgramSize() {
  EnsureProgramStats();
  return FMaxProgramSize;
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::MinProgramDepth() {
  EnsureProgramStats();
  return FMinProgramDepth;
}

template <class T>
float TKXCustomGeneticProgramming<T>::AvgProgramDepth() {
  EnsureProgramStats();
  return FAvgProgramDepth;
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::MaxProgramDepth() {
  EnsureProgramStats();
  return FMaxProgramDepth;
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoBeforeParallelBreeding() {
  TKXPopulation* parents = PreviousGeneration();
  if (parents == nullptr) return;
  for (int i = 0; i < parents->Count(); ++i) {
    const TIndividual* individual = AsIndividual(parents->Items(i));
    if (individual == nullptr || individual->DNA() == nullptr) continue;
    // Each walk fills the cache of every node below the root.
    individual->DNA()->Size();
    individual->DNA()->Depth();
  }
}

}  // namespace kx::generics
