#include "kx/gp_engine/context.hpp"

#include "kx/host/variant.hpp"

namespace kx {

template <class T>
TKXGPContext<T>::TKXGPContext() : FValues(std::make_unique<TKXGPValues<T>>(0)) {}

template <class T>
TKXGPContext<T>::~TKXGPContext() = default;

template <class T>
void TKXGPContext<T>::Assign(TKXPersistent* Source) {
  if (auto* source = dynamic_cast<TKXGPContext<T>*>(Source)) {
    FValues->Assign(*source->FValues);
    return;
  }
  TKXPersistent::Assign(Source);
}

template <class T>
const T* TKXGPContext<T>::Resolve(const TKXGPInstruction<T>& Instruction) const {
  // Misses are rare (first use of a variable after pairs were added or removed), so one
  // lock serializes the writers; readers never take it.
  std::lock_guard<std::mutex> lock(FSlotsLock);
  const std::uint64_t version = FValues->Version();
  if (FSlotsVersion.load(std::memory_order_relaxed) != version) {
    for (TSlot& slot : FSlots) slot.Tag.store(0, std::memory_order_relaxed);
    FSlotsVersion.store(version, std::memory_order_release);
  }
  const T* value = FValues->Find(Instruction.Name());
  TSlot& slot = FSlots[Instruction.NameSerial() & (kSlots - 1)];
  slot.Tag.store(0, std::memory_order_relaxed);
  // Release: a reader that sees the new value (acquire) also sees the cleared tag.
  slot.Value.store(value, std::memory_order_release);
  slot.Tag.store(Instruction.NameSerial(), std::memory_order_release);
  return value;
}

template class TKXGPContext<TGAFloat>;
template class TKXGPContext<TKXVariant>;

}  // namespace kx
