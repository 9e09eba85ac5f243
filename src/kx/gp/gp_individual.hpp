#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <typeinfo>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/core/individual.hpp"
#include "kx/gp_engine/batch_context.hpp"
#include "kx/gp_engine/context.hpp"
#include "kx/gp_engine/node.hpp"

namespace kx {

template <class T>
class TKXGPPopulation;
/// Wrappers of document elements (kx/xml/xml_node.hpp, kx/xml/gp_domain_xml.hpp).
class TXMLNode;
class TXMLIndividualType;

/// A genetic-programming individual: its genome is one program tree (its DNA), which it
/// owns, plus a flat pre-order list of the tree's nodes that the variation operators use to
/// pick crossover and mutation points.
///
/// After every change made through this class (SetDNA, AssignDNA, Graft, Crossover) the
/// flat list holds exactly the nodes of the current tree and the individual is marked
/// modified. Code that edits nodes directly calls FlattenDNA itself afterwards.
///
/// Without a population whose owner is a program engine, the root is a plain
/// TKXGPTreeNode<T>: a standalone individual is still usable.
template <class T>
class TKXGPIndividual : public TKXIndividual {
 public:
  ///@{
  /// Shorthands for the program node types of value type T.
  using TNode = TKXGPNode<T>;
  /// @copydoc TNode
  using TNodePtr = std::unique_ptr<TNode>;
  /// @copydoc TNode
  using TNodeList = std::vector<TNode*>;
  ///@}

  /// Collection is the population the individual is built for (or nullptr); its engine
  /// creates the root node, which carries no instruction yet.
  explicit TKXGPIndividual(TKXCollection* Collection = nullptr);
  ~TKXGPIndividual() override;

  std::string ClassName() const override { return "TKXGPIndividual"; }

  /// From another GP individual of the same value type: a deep copy of its tree (SetDNA),
  /// then the base individual's fitness and name. Other sources go to the base.
  void Assign(TKXPersistent* Source) override;

  /// The root of the program tree. It is only absent after ReleaseDNA.
  TNode* DNA() const noexcept { return FDNA.get(); }
  /// Copies Value's tree into the existing root (the caller keeps Value), then flattens.
  /// A nullptr Value leaves an empty root without instruction.
  void SetDNA(const TNode* Value);
  /// Takes Value as the new root, freeing the old tree, then flattens.
  void AssignDNA(TNodePtr Value);
  /// Hands the root to the caller, leaving the individual without a tree (and an empty
  /// node list). Used to move whole trees between individuals.
  TNodePtr ReleaseDNA();

  /// Every node of the tree in pre-order (a node, then each child's subtree in order).
  const TNodeList& FlattenedDNA() const noexcept { return FFlattenedDNA; }
  /// The owning GP population, or nullptr.
  TKXGPPopulation<T>* Collection() const noexcept;

  /// A new root without instruction or parent, of the engine's node class.
  virtual TNodePtr CreateDNA();
  /// Rebuilds the node list from the tree and marks the individual modified. Linear in the
  /// size of the tree; the list's storage is reused.
  virtual void FlattenDNA();
  /// The value of the program in Context; the value type's empty value without a tree.
  virtual T Execute(TKXGPContext<T>& Context);
  /// The program's values for every case of Context (see TKXGPBatchEvaluator); the empty
  /// value for every case without a tree.
  virtual void ExecuteBatch(const TKXGPBatchContext<T>& Context, std::span<T> Results);
  /// Puts Replacement (a detached subtree) where Node stands: as the root when Node is the
  /// root, else at Node's position among its parent's children. Node is detached and handed
  /// back to the caller. Then flattens.
  virtual TNodePtr Graft(TNode* Node, TNodePtr Replacement);
  /// Swaps the subtree at Node (of this individual) with the subtree at OtherNode (of
  /// Other); roots included. Both node lists are rebuilt. When Other is this individual
  /// and one node lies inside the other's subtree, nothing changes.
  virtual void Crossover(TNode* Node, TKXGPIndividual* Other, TNode* OtherNode);

  /// A node of the tree, biased towards nonterminals by P (see DoSelectNode).
  TNode* SelectNode(double P);
  /// A uniformly chosen node whose subtree Size (BySize) or Depth is at most Limit, or
  /// nullptr when there is none.
  TNode* SelectNode(std::int32_t Limit, bool BySize);
  /// A node whose instruction kind is in Kinds, biased by P; nullptr when there is none.
  TNode* SelectNode(double P, TGPGeneticInstructions Kinds);

  /// The display name, followed by ": " and the tree's text when there is a tree.
  std::string ToString() const;

  // --- Documents -------------------------------------------------------------------------

  ///@{
  /// The typed operations below when Node is an individual element ("Individual", or the
  /// "FittestIndividual" of a domain); any other element is left alone.
  void LoadFromXML(const TXMLNode& Node) override;
  /// @copydoc LoadFromXML
  void SaveToXML(const TXMLNode& Node) override;
  ///@}
  /// Reads the name and the tree. A root without instruction first takes the instruction
  /// that "DNA" names, from the engine's set (EGPException "Unknown instruction "name"" when
  /// the set has none of that name), through which it resolves the names below it. The
  /// fitness is not read: it is evaluated again when needed. Ends with FlattenDNA, also
  /// after an error, so the node list matches whatever tree was read.
  virtual void LoadFromXML(const TXMLIndividualType& Element);
  /// Writes "Name", "Fitness" (single precision; evaluated first when stale) and the tree
  /// into "DNA".
  virtual void SaveToXML(const TXMLIndividualType& Element);

 protected:
  /// The biased choice over Nodes: draws an index and adds a uniform number to a running
  /// single-precision sum until a nonterminal is drawn while the sum exceeds 1 - P, or a
  /// terminal while it exceeds P. P is clamped to [0, 1] (NaN counts as 0), so the
  /// choice always ends. nullptr without a tree or for an empty list.
  virtual TNode* DoSelectNode(const TNodeList& Nodes, double P);

 private:
  /// True when this class's own FlattenDNA is in force (no subclass overrides it), so that
  /// the list may be kept up to date without calling it.
  bool OwnFlattening() const noexcept { return typeid(*this) == typeid(TKXGPIndividual<T>); }
  /// Graft without the flattening.
  TNodePtr Replace(TNode* Node, TNodePtr Replacement);
  /// Where Node's subtree starts in the node list, when this class's own FlattenDNA keeps
  /// the list and the subtree is a run of it (checked at both ends); else the list's size.
  std::size_t ListedSubtree(const TNode* Node) const noexcept;

  TNodePtr FDNA;
  TNodeList FFlattenedDNA;
};

}  // namespace kx
