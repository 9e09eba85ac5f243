// Crossover and mutation of the generic program component. Included by
// custom_genetic_programming.cpp, which instantiates the component.

namespace kx::generics {

/// True for the library's own program component classes. Breeding skips a copy only for
/// them: a subclass may override InitializeChild and count on it for every child.
bool IsLibraryComponentClass(const std::type_info& Class) noexcept;

namespace {

// Cumulative roulette of the fair crossovers; one per thread, reused between calls.
TGAFitnessArray& FairRoulette() {
  thread_local TGAFitnessArray roulette;
  return roulette;
}

}  // namespace

// --- Crossover ----------------------------------------------------------------------------------

template <class T>
bool TKXCustomGeneticProgramming<T>::DoCrossover(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                                 TKXIndividual* Child1, TKXIndividual* Child2) {
  TIndividual* parent1 = AsIndividual(Parent1);
  TIndividual* parent2 = AsIndividual(Parent2);
  TIndividual* child1 = AsIndividual(Child1);
  TIndividual* child2 = AsIndividual(Child2);
  if (child1 == nullptr || parent2 == nullptr || FCrossoverMethod != cmSubtree) return false;

  if (FBloatStrategy == bsSizeFairCrossover || FBloatStrategy == bsDepthFairCrossover) {
    const bool first = DoFairCrossover(parent1, parent2, child1);
    return child2 != nullptr ? DoFairCrossover(parent1, parent2, child2) : first;
  }

  const double p = FSelectionNonTerminalsProbability;
  if (child2 == nullptr) {
    // One child: it receives a copy of a subtree of the second parent.
    TNode* removed = child1->SelectNode(p);
    TNode* donated = parent2->SelectNode(p);
    if (removed == nullptr || donated == nullptr) return false;
    child1->Graft(removed, donated->Clone());
    return true;
  }
  // Both children start as copies of the first parent; the second takes the second parent's
  // program so that the swap recombines the two parents.
  if (parent2 != parent1 && parent2 != child2) {
    detail::PrefetchNodes(parent2->FlattenedDNA());
    child2->SetDNA(parent2->DNA());
  }
  TNode* node1 = child1->SelectNode(p);
  TNode* node2 = child2->SelectNode(p);
  if (node1 == nullptr || node2 == nullptr) return false;
  child1->Crossover(node1, child2, node2);
  return true;
}

template <class T>
bool TKXCustomGeneticProgramming<T>::DoFairCrossover(TIndividual* /*Parent1*/, TIndividual* Parent2,
                                                     TIndividual* Child) {
  if (Parent2 == nullptr || Child == nullptr) return false;
  const std::vector<TNode*>& donorNodes = Parent2->FlattenedDNA();
  if (donorNodes.empty() || Child->FlattenedDNA().empty()) return false;
  const bool bySize = FBloatStrategy != bsDepthFairCrossover;
  auto measure = [bySize](const TNode* node) { return bySize ? node->Size() : node->Depth(); };
  TGAFitnessArray& roulette = FairRoulette();

  // Every tree has leaves of the smallest measure on both sides, so a removal point with a
  // usable donor node is found with certainty.
  for (;;) {
    TNode* removed = Child->SelectNode(FSelectionNonTerminalsProbability);
    if (removed == nullptr) return false;
    const std::int32_t l = measure(removed);
    std::int32_t smaller = 0;
    std::int32_t equal = 0;
    std::int32_t larger = 0;
    double smallerSum = 0;
    double largerSum = 0;
    for (const TNode* node : donorNodes) {
      const std::int32_t m = measure(node);
      if (m < l) {
        ++smaller;
        smallerSum += m;
      } else if (m > l) {
        ++larger;
        largerSum += m;
      } else {
        ++equal;
      }
    }

    TNode* inserted = nullptr;
    if (smaller > 0 && larger > 0) {
      CreateSizeFairRoulette(roulette, donorNodes, l, smaller, equal, larger, smallerSum / smaller,
                             largerSum / larger);
      if (!roulette.empty() && std::isfinite(roulette.back())) {
        inserted = SelectSizeFairNode(Parent2, roulette);
      }
    } else if (equal > 0) {
      std::int32_t pick = RandomInt(equal);
      for (TNode* node : donorNodes) {
        if (measure(node) == l && pick-- == 0) {
          inserted = node;
          break;
        }
      }
    }
    if (inserted == nullptr) continue;
    // The removed subtree comes back from the graft and is released here.
    Child->Graft(removed, inserted->Clone());
    return true;
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::CreateSizeFairRoulette(
    TGAFitnessArray& Roulette, const std::vector<TNode*>& DonorNodes, std::int32_t Size,
    std::int32_t SmallerCount, std::int32_t /*EqualCount*/, std::int32_t LargerCount,
    double SmallerMean, double LargerMean) const {
  const bool bySize = FBloatStrategy != bsDepthFairCrossover;
  const double l = Size;
  const double rest = 1 - 1 / l;
  const double ratio = LargerMean / SmallerMean + 1;
  const double equalWeight = 1 / l;
  const double largerWeight = rest / (LargerCount * ratio);
  const double smallerWeight = rest / (SmallerCount * ratio);

  Roulette.resize(DonorNodes.size());
  double total = 0;
  for (std::size_t i = 0; i < DonorNodes.size(); ++i) {
    const std::int32_t m = bySize ? DonorNodes[i]->Size() : DonorNodes[i]->Depth();
    const double weight = m == Size ? equalWeight : (m > Size ? largerWeight : smallerWeight);
    Roulette[i] = weight;
    total += weight;
  }
  double running = 0;
  for (double& entry : Roulette) {
    running += entry / total;
    entry = running;
  }
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::SelectSizeFairNode(
    TIndividual* Individual, const TGAFitnessArray& Roulette) const {
  const std::vector<TNode*>& nodes = Individual->FlattenedDNA();
  if (nodes.empty() || Roulette.empty()) return nullptr;
  const double u = RandomFloat();
  std::int32_t lower = 0;
  std::int32_t upper = static_cast<std::int32_t>(Roulette.size()) - 1;
  while (lower <= upper) {
    const std::int32_t middle = lower + (upper - lower) / 2;
    if (u >= Roulette[middle]) {
      lower = middle + 1;
    } else {
      upper = middle - 1;
    }
  }
  const auto last = static_cast<std::int32_t>(nodes.size()) - 1;
  return nodes[std::min(lower, last)];
}

// --- Mutation -----------------------------------------------------------------------------------

template <class T>
bool TKXCustomGeneticProgramming<T>::DoMutate(TKXIndividual* Item) {
  TIndividual* individual = AsIndividual(Item);
  if (individual == nullptr) return false;
  bool doMutation = true;
  if (OnMutation()) OnMutation()(this, Item, doMutation);
  bool mutated = false;
  if (doMutation) {
    std::int32_t r = RandomInt(FMutationWeightSum);
    for (int m = mmSubtree; m <= mmPoint; ++m) {
      if (r < FMutationWeights[m]) {
        Mutate(individual, static_cast<TGPMutationMethod>(m));
        mutated = true;
        break;
      }
      r -= FMutationWeights[m];
    }
  }
  individual->FlattenDNA();
  return mutated;
}

template <class T>
void TKXCustomGeneticProgramming<T>::Mutate(TIndividual* Individual, TGPMutationMethod Method) {
  switch (Method) {
    case mmSubtree:
      DoSubtreeMutation(Individual);
      break;
    case mmReplacement:
      DoReplacementMutation(Individual);
      break;
    case mmConstant:
      DoConstantMutation(Individual);
      break;
    case mmShrink:
      DoShrinkMutation(Individual);
      break;
    case mmHoist:
      DoHoistMutation(Individual);
      break;
    case mmPoint:
      DoPointMutation(Individual);
      break;
  }
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::RegrowDepth(const TNode* Node) const {
  const std::int32_t depth = Node->Depth();
  return FBloatStrategy == bsDepthLimit ? std::min(depth, FBloatLimit) : depth;
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoSubtreeMutation(TIndividual* Individual) {
  TNode* node = Individual->SelectNode(FSelectionNonTerminalsProbability);
  if (node == nullptr) return;
  const std::int32_t depth = RegrowDepth(node);
  TNode* parent = node->Parent();
  if (parent == nullptr) {
    Individual->AssignDNA(DoInitializeGrow(depth));
    return;
  }
  const int index = parent->IndexOf(node);
  parent->ExtractChild(node).reset();
  DoInitializeGrow(parent, index, depth);
  Individual->FlattenDNA();
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoReplacementMutation(TIndividual* Individual) {
  TNode* node = Individual->SelectNode(FSelectionNonTerminalsProbability);
  if (node == nullptr || node->Instruction() == nullptr) return;
  const std::int32_t depth = RegrowDepth(node);
  TNode* parent = node->Parent();
  // The old subtree is detached first and freed once its replacement stands in its place.
  TNodePtr old;
  TNodePtr detached;
  TNode* replacement = nullptr;
  if (parent != nullptr) {
    const int index = parent->IndexOf(node);
    old = parent->ExtractChild(node);
    replacement = GetNode(parent, old.get(), index);
  } else {
    detached = GetNode(node);
    replacement = detached.get();
  }
  const std::int32_t arity = replacement->Instruction()->Arity();
  for (std::int32_t k = 0; k < arity; ++k) DoInitializeGrow(replacement, k, depth - 1);
  if (detached) {
    Individual->AssignDNA(std::move(detached));
  } else {
    Individual->FlattenDNA();
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoConstantMutation(TIndividual* Individual) {
  TNode* node = Individual->SelectNode(0.0, TGPGeneticInstructions{gpConstant});
  if (node != nullptr && FOnConstantMutation) FOnConstantMutation(this, node);
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoShrinkMutation(TIndividual* Individual) {
  TNode* node = Individual->SelectNode(FSelectionNonTerminalsProbability);
  if (node == nullptr) return;
  TNode* parent = node->Parent();
  if (parent == nullptr) {
    Individual->AssignDNA(GetTerminalNode());
    return;
  }
  const int index = parent->IndexOf(node);
  TNodePtr old = parent->ExtractChild(node);
  GetTerminalNode(parent, index);
  old.reset();
  Individual->FlattenDNA();
}

template <class T>
void TKXCustomGeneticProgramming<T>::DoHoistMutation(TIndividual* Individual) {
  TNode* node = Individual->SelectNode(FSelectionNonTerminalsProbability);
  if (node == nullptr || node->Parent() == nullptr) return;
  Individual->AssignDNA(node->Parent()->ExtractChild(node));
}

template <class T>
bool TKXCustomGeneticProgramming<T>::DoPointMutation(TIndividual* Individual) {
  if (Individual == nullptr || Individual->DNA() == nullptr) return false;
  return DoPointMutation(Individual, Individual->DNA());
}

template <class T>
bool TKXCustomGeneticProgramming<T>::DoPointMutation(TIndividual* /*Individual*/, TNode* Node) {
  if (Node == nullptr) return false;
  // Pre-order with an explicit stack (children pushed last-first), so every node draws in
  // the order a recursive walk would; one node per tree stops the walk at the first change.
  std::vector<TNode*> stack{Node};
  bool changed = false;
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (FPointMutationProbability > RandomFloat() && node->Instruction() != nullptr) {
      // The node keeps its children and value; only its instruction is redrawn. The
      // instruction is drawn as GetNode(Node) draws it, without building the node.
      node->SetInstruction(GetSimilarInstruction(node->Instruction()));
      changed = true;
      if (FPointMutationMethod == pmmPerTree) return true;
    }
    node->PushChildren(stack);
  }
  return changed;
}

template <class T>
bool TKXCustomGeneticProgramming<T>::DoInvert(TKXIndividual* Item) {
  TIndividual* individual = AsIndividual(Item);
  if (individual == nullptr) return false;
  const bool changed = DoPointMutation(individual);
  if (changed) individual->Modified();
  return changed;
}

// --- Reproduction -------------------------------------------------------------------------------

template <class T>
bool TKXCustomGeneticProgramming<T>::DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                                 TKXIndividual* Child1) {
  const bool reproduced = TKXCustomGeneticComponent::DoReproduce(Parent1, Parent2, Child1);
  DoAntiBloating(AsIndividual(Parent1), AsIndividual(Parent2), AsIndividual(Child1), reproduced);
  return reproduced;
}

template <class T>
bool TKXCustomGeneticProgramming<T>::DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                                 TKXIndividual* Child1, TKXIndividual* Child2) {
  const bool reproduced = TKXCustomGeneticComponent::DoReproduce(Parent1, Parent2, Child1, Child2);
  DoAntiBloating(AsIndividual(Parent1), AsIndividual(Parent2), AsIndividual(Child1), reproduced);
  DoAntiBloating(AsIndividual(Parent2), AsIndividual(Parent1), AsIndividual(Child2), reproduced);
  return reproduced;
}

template <class T>
bool TKXCustomGeneticProgramming<T>::CrossoverReplacesSecondGenome(TKXIndividual* Parent1,
                                                                   TKXIndividual* Parent2,
                                                                   TKXIndividual* Child1,
                                                                   TKXIndividual* Child2) {
  // The subtree crossover gives the second child the second parent's program (DoCrossover).
  // Only the library's own component classes answer yes: a subclass may override
  // InitializeChild or Crossover and count on them for every child, and whether a virtual
  // is overridden can only be told from the object's class.
  TIndividual* child2 = AsIndividual(Child2);
  return IsLibraryComponentClass(typeid(*this)) && FCrossoverMethod == cmSubtree &&
         FBloatStrategy != bsSizeFairCrossover && FBloatStrategy != bsDepthFairCrossover &&
         AsIndividual(Parent1) != nullptr && AsIndividual(Parent2) != nullptr &&
         AsIndividual(Child1) != nullptr && child2 != nullptr &&
         typeid(*child2) == typeid(TIndividual) && Parent2 != Parent1 && Parent2 != Child2 &&
         Child2 != Parent1 && Child2 != Child1;
}

}  // namespace kx::generics
