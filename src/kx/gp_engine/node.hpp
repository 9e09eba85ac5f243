#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kx/gp_engine/instruction.hpp"
#include "kx/gp_engine/node_pool.hpp"
#include "kx/host/object.hpp"

namespace kx {

/// The wrapper of a "DNA" or "Child" element of a domain document (kx/xml/gp_domain_xml.hpp).
class TXMLDnaType;

template <class T>
class TKXGPBatchContext;

/// A node of a program tree: it refers to an instruction (not owned), carries a value, knows
/// its parent and owns its children. Size and depth are cached and invalidated up to the root
/// by every structural change.
///
/// Ownership: a parent holds its children as unique_ptr; a root belongs to whoever holds its
/// unique_ptr. A detached node joins a parent through AddChild or InsertChild (which take the
/// unique_ptr); a child leaves through ExtractChild or SetParent(nullptr), which hand the
/// unique_ptr back. Walks over a tree (size, depth, text, copying, freeing) use explicit
/// stacks, so degenerate chains of any length are safe; execution follows the instruction
/// handlers' own recursion and refuses trees nested deeper than MaxExecutionDepth() or than
/// the thread's stack can hold.
template <class T>
class TKXGPNode : public TKXPersistent {
 public:
  /// The owning pointer to a node.
  using TNodePtr = std::unique_ptr<TKXGPNode<T>>;

  /// A detached node referring to aInstruction (may be nullptr) and holding its value.
  explicit TKXGPNode(TKXGPInstruction<T>* aInstruction = nullptr);
  /// Frees the whole subtree without recursion.
  ~TKXGPNode() override;

  /// The class name.
  std::string ClassName() const override { return "TKXGPNode"; }

  /// Nodes of every class take their memory from the thread's TKXNodePool.
  static void* operator new(std::size_t Size) { return TKXNodePool::Allocate(Size); }
  /// Returns a node's memory to the thread's TKXNodePool.
  static void operator delete(void* Block, std::size_t Size) noexcept {
    TKXNodePool::Free(Block, Size);
  }
  /// An over-aligned node class bypasses the pool.
  static void* operator new(std::size_t Size, std::align_val_t Alignment) {
    return ::operator new(Size, Alignment);
  }
  /// Frees what the over-aligned operator new made (the sized form is not declared by every
  /// compiler).
  static void operator delete(void* Block, std::size_t, std::align_val_t Alignment) noexcept {
    ::operator delete(Block, Alignment);
  }

  /// The node above this one, or nullptr for a root.
  TKXGPNode<T>* Parent() const noexcept { return FParent; }
  /// Moves this node under Value (appended by Value's AddChild) or, with nullptr, detaches it
  /// and returns it to the caller. Nothing happens when Value is already the parent. Only a
  /// node that has a parent can be moved this way (a detached node's owner uses AddChild);
  /// if Value refuses the node, it goes back to its old place and the error propagates.
  TNodePtr SetParent(TKXGPNode<T>* Value);

  ///@{
  /// Read and written directly, without any side effect.
  TKXGPInstruction<T>* Instruction() const noexcept { return FInstruction; }
  /// @copydoc Instruction
  void SetInstruction(TKXGPInstruction<T>* Value) noexcept { FInstruction = Value; }
  ///@}

  /// The node's value (the constant of a constant node).
  const T& Value() const noexcept { return FValue; }
  /// Stores the value; the tree's caches stay as they are.
  virtual void SetValue(const T& Value) { FValue = Value; }

  /// The number of children the node holds.
  int ChildCount() const noexcept { return FChildCount; }
  /// The child at Index; an index outside the node's range raises EListError.
  TKXGPNode<T>* Child(int Index) const {
    // Executions reach every argument through here: positions inside the node's storage
    // are read directly, only the error of a bad index is the subclass's.
    if (static_cast<unsigned>(Index) < static_cast<unsigned>(FSlotCount)) {
      return FSlots[Index].get();
    }
    return GetChild(Index);
  }

  /// True for a node whose children keep fixed sides (a binary node and its subclasses):
  /// known without a type check on the copy path.
  bool Sided() const noexcept { return FSided; }

  /// Appends the children the node holds to Stack, last first, so that a walk popping them
  /// takes them in order. Walks go through here rather than Child(i) below ChildCount(): a
  /// binary node whose left side is vacant holds its one child at index 1.
  template <class TStack>
  void PushChildren(TStack& Stack) const {
    for (int slot = FSlotCount; slot-- > 0;) {
      if (TKXGPNode<T>* child = FSlots[slot].get()) Stack.push_back(child);
    }
  }
  /// Asks the processor to fetch the node's children: walks over a population's trees touch
  /// nodes scattered over far more memory than the caches hold, and each child is known one
  /// step before it is read.
  void PrefetchChildren() const noexcept {
    for (int slot = 0; slot < FSlotCount; ++slot) __builtin_prefetch(FSlots[slot].get());
  }

  /// Appends the nodes of the subtree to Nodes in pre-order (children in order, a vacant
  /// side skipped), then fills the size and depth caches of those nodes from the list, so
  /// that Size and Depth answer at once afterwards without another walk.
  void Flatten(std::vector<TKXGPNode<T>*>& Nodes);
  /// Refills the size and depth caches of the node's ancestors from their children after a
  /// change below cleared them; stops at an ancestor with a child whose caches are not known.
  void RemeasureAncestors() noexcept;
  /// Number of nodes of the subtree (1 for a leaf); cached.
  std::int32_t Size() const;
  /// Longest path to a leaf (0 for a leaf); cached.
  std::int32_t Depth() const;
  /// Clears the cached size and depth of this node and its ancestors.
  virtual void Modified() noexcept;

  /// True without an instruction, for a non-function or a function of arity 0.
  bool IsTerminal() const noexcept;
  /// Position of Node among the children, or -1.
  int IndexOf(const TKXGPNode<T>* Node) const;

  /// A new node for aInstruction of the class this node's engine (found through this node's
  /// instruction) creates, or of this node's own class without an engine.
  virtual TNodePtr CreateNode(TKXGPInstruction<T>* aInstruction) const = 0;
  /// Takes Node (detached) as the next child. When it cannot be taken (a full binary node),
  /// the error leaves Node with the caller. Returns the attached node.
  virtual TKXGPNode<T>* AddChild(TNodePtr&& Node) = 0;
  /// Takes Node (detached) as the child at Index. An invalid index raises EListError and
  /// leaves Node with the caller. Returns the attached node.
  virtual TKXGPNode<T>* InsertChild(int Index, TNodePtr&& Node) = 0;
  /// Detaches Node from this node (or from whichever node is its parent) and hands it to the
  /// caller; nullptr when Node has no parent.
  virtual TNodePtr ExtractChild(TKXGPNode<T>* Node) = 0;

  /// A deep copy of the subtree, detached.
  TNodePtr Clone() const;
  /// A deep copy of the subtree, added to aParent's children.
  TKXGPNode<T>* Clone(TKXGPNode<T>* aParent) const;
  /// Makes this subtree a deep copy of Source (a node); other sources raise EConvertError.
  void Assign(TKXPersistent* Source) override;
  /// Assign from a node, then appends the copy's nodes to PreOrder as Flatten does, the
  /// library's node classes without walking the copy again.
  void AssignFlattened(const TKXGPNode<T>& Source, std::vector<TKXGPNode<T>*>& PreOrder);
  /// Drops the instruction, resets the value and frees the children.
  virtual void Clear();
  /// Switches every node of the subtree whose instruction belongs to another set to the
  /// instruction of the same name in Set (nodes whose name Set lacks keep theirs). A tree
  /// copied from another component or executor then no longer depends on that owner.
  void RebindInstructions(const TKXGPInstructions<T>& Set);

  /// Executes the subtree in Context through the instruction. Raises EGPException without an
  /// instruction, or when nested executions exceed MaxExecutionDepth() or the thread's stack.
  T Execute(TKXGPContext<T>* Context);
  /// Executes the subtree for every case of Context at once, Results[k] receiving case k,
  /// through this thread's TKXGPBatchEvaluator (see there for the rules and errors).
  void ExecuteBatch(const TKXGPBatchContext<T>& Context, std::span<T> Results);

  /// Prefix form: "(Mul x (Add y 1))"; a leaf prints bare; "nil" for a missing instruction.
  virtual std::string ToString() const;
  /// The text of the node's own value (the base prints nothing).
  virtual std::string ValueToString() const;

  /// Writes the subtree into a DNA element: the "Instruction" attribute (the instruction's
  /// display name; absent without an instruction), the "Value" of a constant node
  /// (SaveValueToXML), then one new "Child" element per child, in order. The walk keeps its
  /// own stack, so trees of any depth are written.
  virtual void SaveToXML(const TXMLDnaType& Element) const;
  /// Rebuilds the subtree from a DNA element. Names are resolved in the set of the
  /// instruction the node holds when the load starts (a provisional one, for a new root):
  /// an unknown name raises EGPException "Unknown instruction "name"". The node is cleared,
  /// takes the named instruction, reads its value when it is a constant (LoadValueFromXML)
  /// and gets one child per "Child" element, in order: each child is made by CreateNode
  /// with the parent's instruction, attached by AddChild (a binary node refuses a third
  /// child) and loaded the same way. A missing "Instruction" attribute names the empty
  /// name (found only on an unnamed instruction); a node that holds no instruction when the
  /// load starts yields a node without instruction and children. The walk keeps its own stack, so
  /// documents of any depth are read; after an error the nodes read so far stay in the tree.
  virtual void LoadFromXML(const TXMLDnaType& Element);

  /// Reads the value of a constant node from the "Value" text of its DNA element, or writes
  /// it there (returning true when written). The generic node stores no value in documents.
  virtual void LoadValueFromXML(std::string_view Value);
  /// @copydoc LoadValueFromXML
  virtual bool SaveValueToXML(std::string& Value) const;

 protected:
  /// The child at Index; EListError outside the node's range.
  virtual TKXGPNode<T>* GetChild(int Index) const = 0;
  /// The number of children the node holds.
  virtual int GetChildCount() const noexcept = 0;
  /// Number of child positions to visit when walking the tree; a position may be empty
  /// (binary nodes have two).
  int GetChildSlots() const noexcept { return FSlotCount; }
  /// The child at a position below GetChildSlots(), or nullptr; no range check.
  TKXGPNode<T>* ChildInSlot(int Slot) const noexcept { return FSlots[Slot].get(); }
  /// Publishes where a subclass keeps its children: Slots positions (some may be empty),
  /// Count of them occupied. Subclasses call it after every change of their storage, so
  /// that walks and executions read children without a virtual call.
  void SetChildView(const TNodePtr* Slots, int SlotCount, int Count) noexcept {
    FSlots = Slots;
    FSlotCount = SlotCount;
    FChildCount = Count;
  }
  /// True for the library's own node classes, whose virtuals are the library's: they may
  /// take shortcuts that a subclass's overrides would not see.
  static bool LibraryClass(const TKXGPNode<T>& Node) noexcept;
  /// Called once by the constructor of a class whose children keep fixed sides.
  void MarkSided() noexcept { FSided = true; }
  /// Moves every child into Out, leaving this node childless (the caller fixes the parents).
  virtual void ReleaseChildren(std::vector<TNodePtr>& Out) noexcept = 0;
  /// Attaches a copy of the child that Source (a node being copied) has at Slot.
  virtual void AttachCopy(const TKXGPNode<T>* Source, int Slot, TNodePtr&& Copy);

  /// The engine of the set that aInstruction belongs to, or nullptr.
  static IKXGeneticProgramEngine<T>* EngineOf(const TKXGPInstruction<T>* aInstruction);
  /// The body of every CreateNode: the node the engine of this node's instruction creates,
  /// or a TNodeClass without an engine.
  template <class TNodeClass>
  TNodePtr CreateNodeOf(TKXGPInstruction<T>* aInstruction) const {
    if (IKXGeneticProgramEngine<T>* engine = EngineOf(FInstruction)) {
      return engine->CreateNode(aInstruction);
    }
    return std::make_unique<TNodeClass>(aInstruction);
  }
  /// Frees the subtrees in Stack, children before parents are reached, without recursion.
  static void FreeNodes(std::vector<TNodePtr>& Stack) noexcept;
  /// Raises std::invalid_argument unless Node exists and has no parent: subclasses call it
  /// before they store a node handed to AddChild or InsertChild.
  static void RequireDetached(const TKXGPNode<T>* Node);
  /// Makes Node a child of this node after a subclass stored it.
  void Adopt(TKXGPNode<T>* Node) noexcept { Node->FParent = this; }
  /// Clears Node's parent link after a subclass released it.
  static void Orphan(TKXGPNode<T>* Node) noexcept { Node->FParent = nullptr; }
  /// Clears the instruction and the value (the base part of Clear).
  void ClearOwn();

 private:
  /// True when both caches are known. Size and Depth fill one each, and a depth of 0 also
  /// reads as unknown for a node with children.
  bool Measured() const noexcept { return FSize != 0 && (FDepth != 0 || FChildCount == 0); }
  /// Sets the size and depth caches from the children's; false, changing nothing, when a
  /// child's caches are not both known.
  bool MeasureFromChildren() noexcept;
  /// True when Node lies below this node.
  bool IsAncestorOf(const TKXGPNode<T>& Node) const noexcept;
  /// Execute in every case, the rare ones included (out of line, so that Execute's own
  /// paths need no frame).
  [[gnu::noinline]] T ExecuteCounted(TKXGPContext<T>* Context);
  /// Execute for a node of DirectExecution with enough children and a handler, once the
  /// execution was let in.
  T ExecuteHandled(TKXGPInstruction<T>& Instruction, TKXGPContext<T>* Context);
  /// Copies instruction, value, children and caches of Source, and appends the copy's nodes
  /// to PreOrder (when given) in pre-order; Source is not inside this subtree.
  void CopyFrom(const TKXGPNode<T>& Source, std::vector<TKXGPNode<T>*>* PreOrder = nullptr);

  TKXGPNode<T>* FParent = nullptr;
  T FValue{};
  TKXGPInstruction<T>* FInstruction = nullptr;
  mutable std::int32_t FDepth = 0;
  mutable std::int32_t FSize = 0;
  /// The subclass's child storage (see SetChildView).
  const TNodePtr* FSlots = nullptr;
  std::int32_t FSlotCount = 0;
  std::int32_t FChildCount = 0;
  bool FSided = false;
};

/// The deepest nesting of node executions a thread may reach before Execute raises
/// EGPException instead of running out of stack (default 4096). SetMaxExecutionDepth clamps
/// to 1 .. kMaxExecutionDepthLimit. Execution stays recursive (handlers execute their
/// arguments themselves), so whatever the setting, Execute also raises that error when a
/// nested execution would leave less than a reserve of the executing thread's stack (a
/// quarter of it, at most 256 KiB): a deep tree fails cleanly on any thread, with any stack
/// size, instead of overflowing.
inline constexpr std::int32_t kMaxExecutionDepthLimit = 10000000;
std::int32_t MaxExecutionDepth() noexcept;
void SetMaxExecutionDepth(std::int32_t Value) noexcept;

}  // namespace kx
