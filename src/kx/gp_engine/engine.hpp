#pragma once

#include <cstdint>
#include <memory>

#include "kx/host/collection.hpp"

namespace kx {

template <class T>
class TKXGPInstruction;
template <class T>
class TKXGPInstructions;
template <class T>
class TKXGPNode;

/// Reading and writing a whole program, its domain and its instruction set as documents,
/// files and streams. The document layer sits above the program-tree engine, so the engine
/// only names the interface here; the components that implement the engine interface declare
/// the document operations together with the document types.
class IKXGeneticProgramReaderWriter {
 public:
  virtual ~IKXGeneticProgramReaderWriter() = default;
};

/// What instruction sets and nodes know of the component or executor that owns them. An
/// instruction set reaches its engine through its owner (or an explicit reference given at
/// construction) and reports every change of its instructions here.
template <class T>
class IKXGeneticProgramEngine : public IKXGeneticProgramReaderWriter {
 public:
  /// A new instruction set owned by the engine; the engine chooses the item class.
  virtual std::unique_ptr<TKXGPInstructions<T>> CreateInstructions(
      TKXItemClass InstructionClass) = 0;
  /// A new, detached node of the engine's node class referring to Item (may be nullptr) and
  /// holding Item's value. Attach it with the parent's AddChild or InsertChild.
  virtual std::unique_ptr<TKXGPNode<T>> CreateNode(TKXGPInstruction<T>* Item) = 0;
  /// The largest arity an instruction of the engine's set may have.
  virtual std::int32_t MaxNodeArity() const = 0;
  /// Item changed; nullptr when an update bracket of the set closed.
  virtual void InstructionUpdate(TKXGPInstruction<T>* Item) = 0;
  /// Item was added, is being extracted or is being deleted.
  virtual void InstructionNotify(TKXGPInstruction<T>* Item, TCollectionNotification Action) = 0;
  /// Item's kind changed through its setter.
  virtual void InstructionOperationUpdate(TKXGPInstruction<T>* Item) = 0;
  /// The engine's own instruction set.
  virtual TKXGPInstructions<T>* GetInstructions() const = 0;
  /// Replaces the engine's instructions by copies of Value's instructions.
  virtual void SetInstructions(TKXGPInstructions<T>* Value) = 0;
};

}  // namespace kx
