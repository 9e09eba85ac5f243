#include "kx/gp/gp_individual.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <typeinfo>
#include <utility>

#include "kx/gp/detail/prefetch_nodes.hpp"
#include "kx/gp/gp_population.hpp"
#include "kx/gp_engine/detail/scratch_list.hpp"
#include "kx/gp_engine/tree_node.hpp"
#include "kx/host/random.hpp"
#include "kx/host/variant.hpp"

namespace kx {

namespace {

template <class T>
bool IsInside(const TKXGPNode<T>* Node, const TKXGPNode<T>* Ancestor) noexcept {
  for (const TKXGPNode<T>* n = Node; n != nullptr; n = n->Parent()) {
    if (n == Ancestor) return true;
  }
  return false;
}

// Room for Size entries; lists grow by doubling, so that programs growing over the
// generations reallocate their lists rarely.
template <class TList>
void ReserveList(TList& List, std::size_t Size) {
  if (Size > List.capacity()) List.reserve(std::max(Size, 2 * List.capacity()));
}

template <class T>
bool IsNonterminal(const TKXGPNode<T>* Node) noexcept {
  const TKXGPInstruction<T>* instruction = Node->Instruction();
  return instruction != nullptr && instruction->Arity() > 0;
}

// Scratch list of the kind- and measure-restricted node choices; one per thread, so that
// breeding on several threads never shares it and a choice allocates nothing once warm.
template <class T>
std::vector<TKXGPNode<T>*>& ScratchNodes() {
  thread_local std::vector<TKXGPNode<T>*> nodes;
  nodes.clear();
  return nodes;
}

}  // namespace

template <class T>
TKXGPIndividual<T>::TKXGPIndividual(TKXCollection* Collection) : TKXIndividual(Collection) {
  // The item joins its collection only after construction, so the population is reached
  // through the argument rather than through Collection().
  IKXGeneticProgramEngine<T>* engine = nullptr;
  if (auto* population = dynamic_cast<TKXGPPopulation<T>*>(Collection)) {
    engine = population->Engine();
  }
  FDNA = engine != nullptr ? engine->CreateNode(nullptr) : CreateDNA();
}

template <class T>
TKXGPIndividual<T>::~TKXGPIndividual() = default;

template <class T>
TKXGPPopulation<T>* TKXGPIndividual<T>::Collection() const noexcept {
  return dynamic_cast<TKXGPPopulation<T>*>(TKXCollectionItem::Collection());
}

template <class T>
typename TKXGPIndividual<T>::TNodePtr TKXGPIndividual<T>::CreateDNA() {
  if (TKXGPPopulation<T>* population = Collection()) {
    if (IKXGeneticProgramEngine<T>* engine = population->Engine()) {
      return engine->CreateNode(nullptr);
    }
  }
  return std::make_unique<TKXGPTreeNode<T>>(nullptr);
}

template <class T>
void TKXGPIndividual<T>::Assign(TKXPersistent* Source) {
  if (auto* source = dynamic_cast<TKXGPIndividual<T>*>(Source)) {
    if (source == this) return;
    detail::PrefetchNodes(source->FFlattenedDNA);
    SetDNA(source->DNA());
  }
  TKXIndividual::Assign(Source);
}

template <class T>
void TKXGPIndividual<T>::SetDNA(const TNode* Value) {
  if (!FDNA) FDNA = CreateDNA();
  // The old nodes are reused by the copy.
  detail::PrefetchNodes(FFlattenedDNA);
  if (Value != nullptr && Value != FDNA.get() && OwnFlattening()) {
    // This class's own FlattenDNA, with the list the copy makes on the way. The copy fills a
    // scratch list, so that the individual is marked modified, as FlattenDNA does, with the
    // new tree and an empty list.
    struct TCopied;
    detail::TScratchList<TNode*, TCopied> copied;
    FDNA->AssignFlattened(*Value, *copied);
    FFlattenedDNA.clear();
    Modified();
    ReserveList(FFlattenedDNA, copied->size());
    FFlattenedDNA.assign(copied->begin(), copied->end());
    return;
  }
  if (Value == nullptr) {
    FDNA->Clear();
  } else if (Value != FDNA.get()) {
    FDNA->Assign(const_cast<TNode*>(Value));
  }
  FlattenDNA();
}

template <class T>
void TKXGPIndividual<T>::AssignDNA(TNodePtr Value) {
  if (Value && Value->Parent() != nullptr) {
    throw std::invalid_argument("A new root must be a detached node");
  }
  FDNA = std::move(Value);
  FlattenDNA();
}

template <class T>
typename TKXGPIndividual<T>::TNodePtr TKXGPIndividual<T>::ReleaseDNA() {
  FFlattenedDNA.clear();
  Modified();
  return std::move(FDNA);
}

template <class T>
void TKXGPIndividual<T>::FlattenDNA() {
  FFlattenedDNA.clear();
  Modified();
  if (FDNA) FDNA->Flatten(FFlattenedDNA);
}

template <class T>
T TKXGPIndividual<T>::Execute(TKXGPContext<T>& Context) {
  if (!FDNA) return T{};
  return FDNA->Execute(&Context);
}

template <class T>
void TKXGPIndividual<T>::ExecuteBatch(const TKXGPBatchContext<T>& Context, std::span<T> Results) {
  if (!FDNA) {
    std::fill(Results.begin(), Results.end(), T{});
    return;
  }
  FDNA->ExecuteBatch(Context, Results);
}

template <class T>
typename TKXGPIndividual<T>::TNodePtr TKXGPIndividual<T>::Graft(TNode* Node, TNodePtr Replacement) {
  TNodePtr removed = Replace(Node, std::move(Replacement));
  FlattenDNA();
  return removed;
}

template <class T>
typename TKXGPIndividual<T>::TNodePtr TKXGPIndividual<T>::Replace(TNode* Node,
                                                                  TNodePtr Replacement) {
  if (Node == nullptr || !Replacement || Replacement->Parent() != nullptr) {
    throw std::invalid_argument("Graft needs a node of the tree and a detached replacement");
  }
  TNodePtr removed;
  if (Node == FDNA.get()) {
    removed = std::move(FDNA);
    FDNA = std::move(Replacement);
  } else {
    TNode* parent = Node->Parent();
    if (parent == nullptr || !FDNA || !IsInside<T>(Node, FDNA.get())) {
      throw std::invalid_argument("Graft needs a node of the individual's tree");
    }
    const int index = parent->IndexOf(Node);
    removed = parent->ExtractChild(Node);
    // A binary parent takes the replacement on the side that was just vacated.
    parent->InsertChild(index, std::move(Replacement));
  }
  return removed;
}

template <class T>
std::size_t TKXGPIndividual<T>::ListedSubtree(const TNode* Node) const noexcept {
  if (!OwnFlattening()) return FFlattenedDNA.size();
  const auto at = std::find(FFlattenedDNA.begin(), FFlattenedDNA.end(), Node);
  if (at == FFlattenedDNA.end()) return FFlattenedDNA.size();
  const auto first = static_cast<std::size_t>(at - FFlattenedDNA.begin());
  const auto size = static_cast<std::size_t>(Node->Size());
  // The subtree's last node in pre-order ends the range: its own subtree is itself.
  if (first + size > FFlattenedDNA.size()) return FFlattenedDNA.size();
  const TNode* last = FFlattenedDNA[first + size - 1];
  if (last->Size() != 1 || !IsInside<T>(last, Node)) return FFlattenedDNA.size();
  return first;
}

template <class T>
void TKXGPIndividual<T>::Crossover(TNode* Node, TKXGPIndividual* Other, TNode* OtherNode) {
  if (Node == nullptr || Other == nullptr || OtherNode == nullptr) {
    throw std::invalid_argument("Crossover needs two nodes and the other individual");
  }
  if (Other == this && (IsInside<T>(Node, OtherNode) || IsInside<T>(OtherNode, Node))) return;

  // Between two individuals whose lists are right, each subtree is a run of its list, and
  // the two runs change places as the subtrees do: no tree is walked again.
  const std::size_t at = Other != this ? ListedSubtree(Node) : FFlattenedDNA.size();
  const std::size_t otherAt =
      at != FFlattenedDNA.size() ? Other->ListedSubtree(OtherNode) : Other->FFlattenedDNA.size();
  const bool splice = otherAt != Other->FFlattenedDNA.size();
  const auto size = static_cast<std::ptrdiff_t>(Node->Size());
  const auto otherSize = static_cast<std::ptrdiff_t>(OtherNode->Size());
  // The run of this list that moves to the other.
  thread_local TNodeList run;
  if (splice) {
    // Before anything changes, so that running out of memory leaves both as they were.
    const auto grown = [](const TNodeList& List, std::ptrdiff_t Out, std::ptrdiff_t In) {
      return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(List.size()) - Out + In);
    };
    ReserveList(FFlattenedDNA, grown(FFlattenedDNA, size, otherSize));
    ReserveList(Other->FFlattenedDNA, grown(Other->FFlattenedDNA, otherSize, size));
    ReserveList(run, static_cast<std::size_t>(size));
  }

  TNode* otherParent = OtherNode->Parent();
  TNodePtr donated;
  int otherIndex = -1;
  if (otherParent == nullptr) {
    if (OtherNode != Other->FDNA.get()) {
      throw std::invalid_argument("Crossover needs a node of the other individual's tree");
    }
    donated = std::move(Other->FDNA);
  } else {
    otherIndex = otherParent->IndexOf(OtherNode);
    donated = otherParent->ExtractChild(OtherNode);
  }
  TNodePtr received = splice ? Replace(Node, std::move(donated)) : Graft(Node, std::move(donated));
  if (otherParent == nullptr) {
    Other->FDNA = std::move(received);
  } else {
    otherParent->InsertChild(otherIndex, std::move(received));
  }
  if (!splice) {
    Other->FlattenDNA();
    // A swap inside one tree moved nodes that this list was built before.
    if (Other == this) FlattenDNA();
    return;
  }
  // What walking the trees again would have measured on the way.
  OtherNode->RemeasureAncestors();
  Node->RemeasureAncestors();
  TNodeList& list = FFlattenedDNA;
  TNodeList& otherList = Other->FFlattenedDNA;
  const auto from = list.begin() + static_cast<std::ptrdiff_t>(at);
  const auto otherFrom = otherList.begin() + static_cast<std::ptrdiff_t>(otherAt);
  run.assign(from, from + size);
  list.erase(from, from + size);
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), otherFrom, otherFrom + otherSize);
  otherList.erase(otherFrom, otherFrom + otherSize);
  otherList.insert(otherList.begin() + static_cast<std::ptrdiff_t>(otherAt), run.begin(),
                   run.end());
  Modified();
  Other->Modified();
}

template <class T>
typename TKXGPIndividual<T>::TNode* TKXGPIndividual<T>::SelectNode(double P) {
  return DoSelectNode(FFlattenedDNA, P);
}

template <class T>
typename TKXGPIndividual<T>::TNode* TKXGPIndividual<T>::DoSelectNode(const TNodeList& Nodes,
                                                                     double P) {
  if (!FDNA || Nodes.empty()) return nullptr;
  // Outside [0, 1] (NaN included) the acceptance thresholds could lie beyond what the
  // single-precision sum reaches, and the loop would never end.
  P = std::isnan(P) ? 0.0 : std::clamp(P, 0.0, 1.0);
  const auto count = static_cast<std::int32_t>(Nodes.size());
  // The sum only grows, so the loop ends; the first draw accepts a nonterminal with
  // probability P and a terminal with probability 1 - P.
  float sum = 0;
  for (;;) {
    TNode* node = Nodes[RandomInt(count)];
    // The draw joins the single-precision sum unrounded; only the sum is rounded.
    sum = static_cast<float>(sum + RandomFloat());
    if (IsNonterminal<T>(node)) {
      if (sum > 1 - P) return node;
    } else if (sum > P) {
      return node;
    }
  }
}

template <class T>
typename TKXGPIndividual<T>::TNode* TKXGPIndividual<T>::SelectNode(std::int32_t Limit,
                                                                   bool BySize) {
  TNodeList& candidates = ScratchNodes<T>();
  for (TNode* node : FFlattenedDNA) {
    if ((BySize ? node->Size() : node->Depth()) <= Limit) candidates.push_back(node);
  }
  if (candidates.empty()) return nullptr;
  return candidates[RandomInt(static_cast<std::int32_t>(candidates.size()))];
}

template <class T>
typename TKXGPIndividual<T>::TNode* TKXGPIndividual<T>::SelectNode(double P,
                                                                   TGPGeneticInstructions Kinds) {
  if (!FDNA) return nullptr;
  if (Kinds.Contains(gpVariable) && Kinds.Contains(gpConstant) && Kinds.Contains(gpFunction)) {
    return SelectNode(P);
  }
  TNodeList& candidates = ScratchNodes<T>();
  for (TNode* node : FFlattenedDNA) {
    const TKXGPInstruction<T>* instruction = node->Instruction();
    if (instruction != nullptr && Kinds.Contains(instruction->Operation())) {
      candidates.push_back(node);
    }
  }
  return DoSelectNode(candidates, P);
}

template <class T>
std::string TKXGPIndividual<T>::ToString() const {
  std::string text = DisplayName();
  if (FDNA) {
    text += ": ";
    text += FDNA->ToString();
  }
  return text;
}

template class TKXGPIndividual<TGAFloat>;
template class TKXGPIndividual<TKXVariant>;

}  // namespace kx
