#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "kx/gp_engine/instruction.hpp"
#include "kx/host/dictionary.hpp"
#include "kx/host/object.hpp"

namespace kx {

/// Variable values by name; names match exactly (case-sensitive).
template <class T>
class TKXGPValues : public TKXDictionary<std::string, T> {
 public:
  using TKXDictionary<std::string, T>::TKXDictionary;
  std::string ClassName() const override { return "TKXGPValues"; }
};

/// The values of a program's variables for one execution (one fitness case, say). One context
/// serves any number of trees; several threads may execute against one context while nobody
/// changes its values.
template <class T>
class TKXGPContext : public TKXPersistent {
 public:
  TKXGPContext();
  ~TKXGPContext() override;

  std::string ClassName() const override { return "TKXGPContext"; }

  ///@{
  /// The context's own dictionary; it is never replaced.
  TKXGPValues<T>& Values() noexcept { return *FValues; }
  const TKXGPValues<T>& Values() const noexcept { return *FValues; }
  ///@}
  /// Copies Value's pairs into the context's dictionary (the caller keeps Value).
  void SetValues(const TKXDictionary<std::string, T>& Value) { FValues->Assign(Value); }
  /// As above for any persistent source; a source that is not such a dictionary raises the
  /// cannot-assign EConvertError and leaves the values unchanged.
  void SetValues(TKXPersistent* Value) { FValues->Assign(Value); }

  /// Copies the values of another context; other sources raise EConvertError.
  void Assign(TKXPersistent* Source) override;

  /// The value of the variable Instruction names, or nullptr when the name is absent. The
  /// location is remembered per instruction until a pair is added or removed, so repeated
  /// executions do not hash the name again.
  const T* VariableValue(const TKXGPInstruction<T>& Instruction) const {
    const T* value = nullptr;
    return RememberedValue(Instruction, value) ? value : Resolve(Instruction);
  }
  /// VariableValue when the location is remembered (true, Value set), without looking the
  /// name up otherwise (false).
  bool RememberedValue(const TKXGPInstruction<T>& Instruction, const T*& Value) const noexcept {
    if (FSlotsVersion.load(std::memory_order_acquire) != FValues->Version()) return false;
    const TSlot& slot = FSlots[Instruction.NameSerial() & (kSlots - 1)];
    const std::uint64_t tag = slot.Tag.load(std::memory_order_acquire);
    // Acquire keeps the second tag read after the value read (a fence would do the same,
    // but ThreadSanitizer cannot follow fences).
    Value = slot.Value.load(std::memory_order_acquire);
    return tag == Instruction.NameSerial() && slot.Tag.load(std::memory_order_relaxed) == tag;
  }

 private:
  static constexpr std::size_t kSlots = 256;
  /// A remembered location: Tag is the instruction's name serial (0 when empty). Writers
  /// hold FSlotsLock; readers check Tag before and after reading Value.
  struct TSlot {
    std::atomic<std::uint64_t> Tag{0};
    std::atomic<const T*> Value{nullptr};
  };

  const T* Resolve(const TKXGPInstruction<T>& Instruction) const;

  std::unique_ptr<TKXGPValues<T>> FValues;
  mutable std::array<TSlot, kSlots> FSlots;
  /// The dictionary version the remembered locations belong to.
  mutable std::atomic<std::uint64_t> FSlotsVersion{0};
  mutable std::mutex FSlotsLock;
};

}  // namespace kx
