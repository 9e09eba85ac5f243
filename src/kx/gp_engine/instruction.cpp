#include "kx/gp_engine/instruction.hpp"

#include <algorithm>
#include <atomic>
#include <type_traits>
#include <typeinfo>

#include "kx/core/enum_property.hpp"
#include "kx/gp_engine/context.hpp"
#include "kx/gp_engine/detail/built_in_result.hpp"
#include "kx/gp_engine/float_instruction.hpp"
#include "kx/gp_engine/node.hpp"
#include "kx/gp_engine/variant_instruction.hpp"
#include "kx/host/streaming.hpp"
#include "kx/host/string_list.hpp"
#include "kx/host/variant.hpp"

namespace kx {

namespace {

// Name serials are never reused, so a remembered variable location cannot be mistaken for
// that of another instruction or of an older name. 0 is never handed out.
std::atomic<std::uint64_t> NextNameSerial{1};

// Marks an instruction as reshaping for the length of a setter, nested setters included.
class TReshaping {
 public:
  explicit TReshaping(bool& Flag) noexcept : FFlag(Flag), FPrevious(Flag) { FFlag = true; }
  ~TReshaping() { FFlag = FPrevious; }
  TReshaping(const TReshaping&) = delete;
  TReshaping& operator=(const TReshaping&) = delete;

 private:
  bool& FFlag;
  bool FPrevious;
};

}  // namespace

// ---- TKXGPInstruction ----

template <class T>
TKXGPInstruction<T>::TKXGPInstruction(TKXCollection* Collection) : TKXCollectionItem(Collection) {
  RenewNameSerial();
}

template <class T>
TKXGPInstruction<T>::~TKXGPInstruction() = default;

template <class T>
TKXGPInstructions<T>* TKXGPInstruction<T>::Collection() const noexcept {
  TKXCollection* collection = TKXCollectionItem::Collection();
  if (collection == nullptr) return nullptr;
  if (FSet != nullptr && static_cast<TKXCollection*>(FSet) == collection) return FSet;
  return dynamic_cast<TKXGPInstructions<T>*>(collection);
}

template <class T>
void TKXGPInstruction<T>::RenewNameSerial() noexcept {
  FNameSerial = NextNameSerial.fetch_add(1, std::memory_order_relaxed);
}

template <class T>
void TKXGPInstruction<T>::SetArity(std::int32_t Value) {
  if (Value == FArity) return;
  const TReshaping reshaping(FReshaping);
  const std::int32_t old = FArity;
  TKXGPInstructions<T>* set = Collection();
  IKXGeneticProgramEngine<T>* engine = set ? set->Engine() : nullptr;
  std::int32_t bound = kMaxArity;
  if (engine != nullptr) bound = std::min(bound, engine->MaxNodeArity());
  FArity = std::clamp<std::int32_t>(Value, 0, std::max<std::int32_t>(bound, 0));
  if (FArity > 0 && FOperation != gpFunction) {
    SetOperation(gpFunction);
  } else if (FOperation == gpFunction && (old > 0) != (FArity > 0)) {
    // A function that gains or loses its arguments changes sides between functions and
    // terminals without changing its kind.
    OperationChanged();
  }
  Changed(false);
}

template <class T>
void TKXGPInstruction<T>::SetName(const std::string& Value) {
  // The identical name skips the check (its own entry would be found) and is still
  // reported as a change.
  if (TKXGPInstructions<T>* set = Collection();
      Value != FName && set != nullptr && set->IndexOf(Value) >= 0) {
    throw EGPException(std::string(SInstructionNotUnique.Text));
  }
  LoadName(Value);
  Changed(false);
}

template <class T>
void TKXGPInstruction<T>::LoadName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  RenewNameSerial();
}

template <class T>
void TKXGPInstruction<T>::SetOperation(TGPGeneticInstruction Value) {
  if (Value == FOperation) return;
  const TReshaping reshaping(FReshaping);
  FOperation = Value;
  if (Value != gpFunction) SetArity(0);
  OperationChanged();
}

template <class T>
void TKXGPInstruction<T>::OperationChanged() {
  if (TKXGPInstructions<T>* set = Collection()) set->InstructionOperationUpdate(this);
  Changed(false);
}

template <class T>
std::string TKXGPInstruction<T>::GetDisplayName() const {
  return FName.empty() ? TKXCollectionItem::GetDisplayName() : FName;
}

template <class T>
std::string TKXGPInstruction<T>::ToString() const {
  std::string text = GetDisplayName();
  text += " '";
  text += FComment;
  text += "' ";
  text += EnumName(FOperation);
  return text;
}

template <class T>
void TKXGPInstruction<T>::RaiseArgumentCount(const TKXGPNode<T>* Node) const {
  throw EGPException(
      FormatMessage(SInvalidNumInstructionArgs,
                    {static_cast<std::int32_t>(Node->ChildCount()), GetDisplayName()}));
}

template <class T>
T TKXGPInstruction<T>::Execute(TKXGPNode<T>* Node, TKXGPContext<T>* Context) {
  // Only functions take arguments, so terminals skip the child count.
  if (FArity > 0 && FArity > Node->ChildCount()) RaiseArgumentCount(Node);
  T result = DoExecute(Node, Context);
  if (FOnExecute) FOnExecute(this, Node, Context, result);
  return result;
}

template <class T>
bool TKXGPInstruction<T>::LearnDirectExecution() const noexcept {
  // Only exact library classes qualify: a subclass may override Execute or DoExecute.
  const std::type_info& type = typeid(*this);
  bool direct = type == typeid(TKXGPInstruction<T>);
  if constexpr (std::is_same_v<T, TGAFloat>) {
    direct = direct || type == typeid(TKXGPFloatInstruction);
  } else {
    direct = direct || type == typeid(TKXGPVariantInstruction);
  }
  FDirectExecution.store(direct ? 1 : 2, std::memory_order_relaxed);
  return direct;
}

template <class T>
T TKXGPInstruction<T>::DoExecute(TKXGPNode<T>* Node, TKXGPContext<T>* Context) {
  return detail::BuiltInResult(*this, *Node, Context);
}

template <class T>
void TKXGPInstruction<T>::DefineProperties(TKXFiler& Filer) {
  Filer.IntProperty(
      "Arity", [this] { return FArity; }, [this](std::int32_t v) { SetArity(v); }, 0);
  Filer.StringProperty(
      "Name", [this] { return FName; }, [this](const std::string& v) { SetName(v); });
  Filer.StringProperty(
      "Comment", [this] { return FComment; }, [this](const std::string& v) { SetComment(v); });
  EnumProperty<TGPGeneticInstruction>(
      Filer, "Operation", [this] { return FOperation; },
      [this](TGPGeneticInstruction v) { SetOperation(v); }, gpVariable);
}

template <class T>
void TKXGPInstruction<T>::Initialize() {
  if (FOnInitialize) FOnInitialize(this);
}

template <class T>
void TKXGPInstruction<T>::AssignEvents(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXGPInstruction<T>*>(Source);
  if (source == nullptr) return;
  FOnExecute = source->FOnExecute;
  FOnExecuteBatch = source->FOnExecuteBatch;
  FOnInitialize = source->FOnInitialize;
}

template <class T>
void TKXGPInstruction<T>::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXGPInstruction<T>*>(Source);
  if (source == nullptr) {
    TKXCollectionItem::Assign(Source);
    return;
  }
  if (source == this) return;
  LoadName(source->FName);
  FComment = source->FComment;
  FArity = source->FArity;
  FValue = source->FValue;
  SetOperation(source->FOperation);
}

template <class T>
void TKXGPInstruction<T>::LoadValueFromXML(TGPInstructionElement /*Element*/,
                                           std::string_view /*Value*/) {}

template <class T>
bool TKXGPInstruction<T>::SaveValueToXML(TGPInstructionElement /*Element*/,
                                         std::string& /*Value*/) const {
  return false;
}

// ---- TKXGPInstructions ----

template <class T>
TKXGPInstructions<T>::TKXGPInstructions(TKXPersistent* Owner, TKXItemClass ItemClass,
                                        IKXGeneticProgramEngine<T>* Engine)
    : Base(ItemClass, Owner), FEngine(Engine) {}

template <class T>
IKXGeneticProgramEngine<T>* TKXGPInstructions<T>::Engine() const {
  if (FEngine != nullptr) return FEngine;
  return dynamic_cast<IKXGeneticProgramEngine<T>*>(this->Owner());
}

template <class T>
int TKXGPInstructions<T>::IndexOf(std::string_view Name) const noexcept {
  for (int i = 0; i < this->Count(); ++i) {
    if (SameText(this->ItemAt(i)->Name(), Name)) return i;
  }
  return -1;
}

template <class T>
TKXGPInstruction<T>* TKXGPInstructions<T>::FindItemName(std::string_view Name) const noexcept {
  const int index = IndexOf(Name);
  return index < 0 ? nullptr : this->ItemAt(index);
}

template <class T>
TKXGPInstruction<T>* TKXGPInstructions<T>::ItemByName(std::string_view Name) const {
  if (TKXGPInstruction<T>* item = FindItemName(Name)) return item;
  throw EGPException(FormatMessage(SUnknownInstruction, {Name}));
}

template <class T>
void TKXGPInstructions<T>::InstructionOperationUpdate(TKXGPInstruction<T>* Instruction) {
  if (IKXGeneticProgramEngine<T>* engine = Engine())
    engine->InstructionOperationUpdate(Instruction);
}

template <class T>
void TKXGPInstructions<T>::AssignAll(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXGPInstructions<T>*>(Source);
  if (source == nullptr || source == this) return;
  this->BeginUpdate();
  try {
    this->Clear();
    for (int i = 0; i < source->Count(); ++i) {
      TKXGPInstruction<T>* item = this->Add();
      item->Assign(source->ItemAt(i));
      item->AssignEvents(source->ItemAt(i));
    }
  } catch (...) {
    this->EndUpdate();
    throw;
  }
  this->EndUpdate();
}

template <class T>
void TKXGPInstructions<T>::AssignTo(TKXPersistent* Dest) {
  auto* list = dynamic_cast<TKXStringList*>(Dest);
  if (list == nullptr) {
    Base::AssignTo(Dest);
    return;
  }
  list->BeginUpdate();
  try {
    list->Clear();
    for (int i = 0; i < this->Count(); ++i) {
      TKXGPInstruction<T>* item = this->ItemAt(i);
      list->Add(item->DisplayName(), item);
    }
  } catch (...) {
    list->EndUpdate();
    throw;
  }
  list->EndUpdate();
}

template <class T>
void TKXGPInstructions<T>::Notify(TKXCollectionItem* Item, TCollectionNotification Action) {
  if (auto* instruction = dynamic_cast<TKXGPInstruction<T>*>(Item)) {
    instruction->FSet = Action == TCollectionNotification::cnAdded ? this : nullptr;
  }
  Base::Notify(Item, Action);
  if (IKXGeneticProgramEngine<T>* engine = Engine()) {
    engine->InstructionNotify(static_cast<TKXGPInstruction<T>*>(Item), Action);
  }
}

template <class T>
void TKXGPInstructions<T>::Update(TKXCollectionItem* Item) {
  Base::Update(Item);
  if (IKXGeneticProgramEngine<T>* engine = Engine()) {
    engine->InstructionUpdate(static_cast<TKXGPInstruction<T>*>(Item));
  }
}

template class TKXGPInstruction<TGAFloat>;
template class TKXGPInstruction<TKXVariant>;
template class TKXGPInstructions<TGAFloat>;
template class TKXGPInstructions<TKXVariant>;

}  // namespace kx
