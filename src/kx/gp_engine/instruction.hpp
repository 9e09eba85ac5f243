#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "kx/core/consts.hpp"
#include "kx/core/genetic_events.hpp"
#include "kx/gp_engine/engine.hpp"
#include "kx/host/collection.hpp"

namespace kx {

template <class T>
class TKXGPContext;
template <class T>
class TKXGPBatch;

/// Wrappers of the elements of a domain document (kx/xml/gp_domain_xml.hpp).
class TXMLInstructionType;
class TXMLFunctionInstructionType;
class TXMLConstantInstructionType;
class TXMLVariableInstructionType;
class TXMLGPInstructions;

/// Runs one node of an instruction: Sender is the instruction, Node the node being executed
/// (its children are the arguments), Context the execution context; aResult arrives holding
/// the built-in result and leaves holding the node's result.
template <class T>
using TNodeEvent = std::function<void(TKXObject* Sender, TKXGPNode<T>* Node,
                                      TKXGPContext<T>* Context, T& aResult)>;

/// Runs one node of an instruction over a block of cases at once (see TKXGPBatchEvaluator):
/// Sender is the instruction, Node the node being executed, Batch the values of the node's
/// arguments for the block's cases and the place for its results.
template <class T>
using TNodeBatchEvent =
    std::function<void(TKXObject* Sender, TKXGPNode<T>* Node, TKXGPBatch<T>& Batch)>;

/// Tells about one node (for example a constant node whose value is to be mutated).
template <class T>
using TNodeNotifyEvent = std::function<void(TKXObject* Sender, TKXGPNode<T>* Node)>;

/// The kind of instruction element of a domain document a value is read from or written to;
/// only constant elements carry a value.
enum class TGPInstructionElement : std::uint8_t {
  ieFunction,
  ieVariable,
  ieConstant,
  ieFloatConstant,
  ieVariantConstant
};

/// Whether an element of that kind carries the instruction's value in its "Value" text.
constexpr bool CarriesValue(TGPInstructionElement Element) noexcept {
  return Element == TGPInstructionElement::ieConstant ||
         Element == TGPInstructionElement::ieFloatConstant;
}

/// One entry of a program vocabulary: a function with a fixed arity, a constant or a
/// variable. Instructions live in a TKXGPInstructions set, which reports every change of
/// name, arity and kind to the set's engine. Nodes refer to instructions without owning them.
template <class T>
class TKXGPInstruction : public TKXCollectionItem {
 public:
  /// Collection is the set the instruction is created for (see TKXCollectionItem).
  explicit TKXGPInstruction(TKXCollection* Collection = nullptr);
  ~TKXGPInstruction() override;

  /// The class name.
  std::string ClassName() const override { return "TKXGPInstruction"; }

  /// The owning set, or nullptr.
  TKXGPInstructions<T>* Collection() const noexcept;

  /// The largest arity SetArity stores: every node of the instruction holds that many
  /// children, so the arity bounds the memory one node of a grown tree asks for.
  static constexpr std::int32_t kMaxArity = 65535;

  ///@{
  /// Number of arguments a node of this instruction takes. A positive arity makes the
  /// instruction a function; a negative one stores 0; a larger one than kMaxArity, or than
  /// the engine's MaxNodeArity, stores that bound. A function whose arity moves between 0
  /// and positive tells the set (InstructionOperationUpdate), as a change of kind does.
  std::int32_t Arity() const noexcept { return FArity; }
  /// @copydoc Arity
  void SetArity(std::int32_t Value);
  ///@}
  /// True while a change of arity or kind is being reported: such a change keeps the trees
  /// that use the instruction valid, so an engine need not discard them.
  bool Reshaping() const noexcept { return FReshaping; }

  ///@{
  /// Unique within the set, ignoring the letter case of A-Z; a clash raises EGPException and
  /// keeps the old name. Every accepted call, even with the current name, reports a change.
  const std::string& Name() const noexcept { return FName; }
  /// @copydoc Name
  void SetName(const std::string& Value);
  ///@}

  ///@{
  /// Free text about the instruction, kept in documents.
  const std::string& Comment() const noexcept { return FComment; }
  /// @copydoc Comment
  void SetComment(const std::string& Value) { FComment = Value; }
  ///@}

  ///@{
  /// gpVariable, gpConstant or gpFunction. Any kind but gpFunction resets the arity to 0.
  TGPGeneticInstruction Operation() const noexcept { return FOperation; }
  /// @copydoc Operation
  void SetOperation(TGPGeneticInstruction Value);
  ///@}

  ///@{
  /// The value every new node of this instruction starts with; a constant's initial value.
  const T& Value() const noexcept { return FValue; }
  /// @copydoc Value
  void SetValue(const T& Value) { FValue = Value; }
  ///@}

  ///@{
  /// Computes a node's result from the built-in one; the value it leaves is the node's value.
  const TNodeEvent<T>& OnExecute() const noexcept { return FOnExecute; }
  /// @copydoc OnExecute
  void SetOnExecute(TNodeEvent<T> Value) { FOnExecute = std::move(Value); }
  ///@}
  ///@{
  /// The block form of OnExecute, used by batch execution; it must compute what OnExecute
  /// computes, case by case. A node whose instruction has OnExecute but no OnExecuteBatch
  /// is executed case by case, through OnExecute, inside a batch.
  const TNodeBatchEvent<T>& OnExecuteBatch() const noexcept { return FOnExecuteBatch; }
  /// @copydoc OnExecuteBatch
  void SetOnExecuteBatch(TNodeBatchEvent<T> Value) { FOnExecuteBatch = std::move(Value); }
  ///@}
  ///@{
  /// Fired by Initialize, before the component builds trees.
  const TNotifyEvent& OnInitialize() const noexcept { return FOnInitialize; }
  /// @copydoc OnInitialize
  void SetOnInitialize(TNotifyEvent Value) { FOnInitialize = std::move(Value); }
  ///@}

  /// Stores a name or a kind as a document reader does: no uniqueness check, no arity rule,
  /// no notification.
  void LoadName(const std::string& Value);
  /// @copydoc LoadName
  void LoadOperation(TGPGeneticInstruction Value) noexcept { FOperation = Value; }

  /// Identifies this instruction together with its current name; it changes on every rename
  /// and is never reused, so execution contexts can remember where a variable's value is.
  std::uint64_t NameSerial() const noexcept { return FNameSerial; }

  /// Runs Node: checks the argument count, computes the built-in result (DoExecute) and
  /// hands it to OnExecute. Writes nothing to the instruction or its set.
  virtual T Execute(TKXGPNode<T>* Node, TKXGPContext<T>* Context);
  /// True when the instruction's class is one of the library's, whose Execute and DoExecute
  /// are the ones above: a node may then run the same steps itself, without the two virtual
  /// calls. Learnt on the first call.
  bool DirectExecution() const noexcept {
    const std::uint8_t known = FDirectExecution.load(std::memory_order_relaxed);
    return known != 0 ? known == 1 : LearnDirectExecution();
  }
  /// DirectExecution once learnt; false before.
  bool KnownDirectExecution() const noexcept {
    return FDirectExecution.load(std::memory_order_relaxed) == 1;
  }
  /// Calls OnInitialize; the GP component does so for every instruction before it builds
  /// trees.
  virtual void Initialize();
  /// Copies the handlers of another instruction; other sources are ignored.
  virtual void AssignEvents(TKXPersistent* Source);
  /// Copies name, comment, arity and value (no checks, no notification), then the kind
  /// through SetOperation. Handlers are not copied.
  void Assign(TKXPersistent* Source) override;

  /// Reads a value from the "Value" text of an instruction element of kind Element, or
  /// writes it there (returning true when the element carries a value). The generic
  /// instruction carries no value in documents.
  virtual void LoadValueFromXML(TGPInstructionElement Element, std::string_view Value);
  /// @copydoc LoadValueFromXML
  virtual bool SaveValueToXML(TGPInstructionElement Element, std::string& Value) const;

  /// Reads an instruction element of any of the five tags, as a document reader: a name
  /// that differs from the display name is stored without checks; the comment; for a
  /// "Function" element the arity through SetArity and then the kind gpFunction, for
  /// "Variable" the kind gpVariable, for every other tag gpConstant (kinds stored directly:
  /// no notification, the arity stays); finally the value of a constant element through
  /// LoadValueFromXML. An "Arity" that is not a number from 0 to 255 raises EConvertError.
  virtual void LoadFromXML(const TXMLInstructionType& Element);
  ///@{
  /// Write Name (the display name, so an unnamed instruction is written under its class
  /// name) and Comment, then: a constant element its "Value" through SaveValueToXML; a
  /// function element the arity reduced to 8 bits (300 is written as 44).
  virtual void SaveToXML(const TXMLConstantInstructionType& Element) const;
  /// @copydoc SaveToXML(const TXMLConstantInstructionType&) const
  virtual void SaveToXML(const TXMLVariableInstructionType& Element) const;
  /// @copydoc SaveToXML(const TXMLConstantInstructionType&) const
  virtual void SaveToXML(const TXMLFunctionInstructionType& Element) const;
  ///@}
  /// Appends a new element for this instruction to the list of its kind ("Variable",
  /// "Constant" or "Function") and writes itself into it.
  virtual void SaveToXML(const TXMLGPInstructions& Instructions) const;

  /// Streams Arity (default 0), Name, Comment and Operation (default gpVariable), in this
  /// order; handlers and the value are not streamed.
  void DefineProperties(TKXFiler& Filer) override;

  /// Display name, " '", comment, "' ", kind: "Add 'sum' gpFunction".
  virtual std::string ToString() const;

 protected:
  /// The built-in result: a variable's value in the context (0 or unassigned when absent),
  /// the node's own value for a constant, 0 or unassigned for a function.
  virtual T DoExecute(TKXGPNode<T>* Node, TKXGPContext<T>* Context);
  /// Tells the set (and so the engine) that the kind changed, then signals a change.
  virtual void OperationChanged();
  /// The name, or the class name for an unnamed instruction.
  std::string GetDisplayName() const override;

 private:
  [[noreturn]] void RaiseArgumentCount(const TKXGPNode<T>* Node) const;
  void RenewNameSerial() noexcept;
  bool LearnDirectExecution() const noexcept;

  TNodeEvent<T> FOnExecute;
  TNodeBatchEvent<T> FOnExecuteBatch;
  std::int32_t FArity = 0;
  std::string FName;
  std::string FComment;
  TGPGeneticInstruction FOperation = gpVariable;
  T FValue{};
  TNotifyEvent FOnInitialize;
  std::uint64_t FNameSerial = 0;
  bool FReshaping = false;
  // The set this instruction joined, recorded by the set itself: every node copy asks for
  // it, and a type check per node showed in profiles. Trusted only while it still is the
  // collection.
  TKXGPInstructions<T>* FSet = nullptr;
  /// DirectExecution: 0 until learnt, then 1 (direct) or 2 (through the virtual calls).
  mutable std::atomic<std::uint8_t> FDirectExecution{0};
  friend class TKXGPInstructions<T>;
};

/// The instruction set of an engine: an owned collection of instructions created by the item
/// class given at construction. Names are looked up ignoring the letter case of A-Z.
template <class T>
class TKXGPInstructions : public TKXOwnedCollection<TKXGPInstruction<T>> {
  using Base = TKXOwnedCollection<TKXGPInstruction<T>>;

 public:
  /// Owner is the component or executor owning the set; when Engine is nullptr, the owner
  /// is the engine if it implements the engine interface.
  TKXGPInstructions(TKXPersistent* Owner, TKXItemClass ItemClass,
                    IKXGeneticProgramEngine<T>* Engine = nullptr);

  /// The class name.
  std::string ClassName() const override { return "TKXGPInstructions"; }

  /// The engine notified of changes, or nullptr.
  IKXGeneticProgramEngine<T>* Engine() const;

  ///@{
  /// Position of the first instruction whose name equals Name ignoring letter case, or -1.
  int IndexOf(std::string_view Name) const noexcept;
  using Base::IndexOf;
  ///@}
  /// The instruction called Name, or nullptr.
  TKXGPInstruction<T>* FindItemName(std::string_view Name) const noexcept;
  ///@{
  /// The instruction called Name; EGPException "Unknown instruction "Name"" when absent.
  TKXGPInstruction<T>* ItemByName(std::string_view Name) const;
  /// @copydoc ItemByName
  TKXGPInstruction<T>* GetItemByName(std::string_view Name) const { return ItemByName(Name); }
  ///@}

  /// Tells the engine that Instruction changed its kind.
  virtual void InstructionOperationUpdate(TKXGPInstruction<T>* Instruction);
  /// Replaces the contents by copies of Source's instructions, handlers included, inside an
  /// update bracket. Sources of other classes leave the set unchanged.
  virtual void AssignAll(TKXPersistent* Source);

  /// Appends one element per instruction, in index order; elements already in Instructions
  /// stay.
  virtual void SaveToXML(const TXMLGPInstructions& Instructions) const;
  /// Merges a document's instruction set into this one. The lists are visited in the order
  /// Function, Variable, Constant, FloatConstant, VariantConstant, each in document order;
  /// an element loads into the instruction of its name (letter case ignored), or into a new
  /// instruction appended for it. Instructions that were in the set before and matched no
  /// element are deleted afterwards. Matched instructions keep their identity and handlers.
  /// An error raised by an element leaves the instructions read before it changed and
  /// deletes nothing.
  virtual void LoadFromXML(const TXMLGPInstructions& Instructions);

 protected:
  /// A string list receives one line per instruction: its display name, with the
  /// instruction attached as the line's object.
  void AssignTo(TKXPersistent* Dest) override;
  /// Reports additions, extractions and deletions to the engine.
  void Notify(TKXCollectionItem* Item, TCollectionNotification Action) override;
  /// Reports a changed instruction to the engine.
  void Update(TKXCollectionItem* Item) override;

 private:
  IKXGeneticProgramEngine<T>* FEngine;
};

}  // namespace kx
