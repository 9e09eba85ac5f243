#pragma once

#include <string>

#include "kx/core/population.hpp"
#include "kx/gp/gp_individual.hpp"
#include "kx/gp_engine/engine.hpp"

namespace kx {

// The owned collection of the program individuals of one generation. Its owner, when it is
// a program engine (the GP component), creates the individuals' nodes.
template <class T>
class TKXGPPopulation : public TKXPopulation {
 public:
  explicit TKXGPPopulation(TKXItemClass ItemClass = ItemClassOf<TKXGPIndividual<T>>(),
                           TKXPersistent* Owner = nullptr);

  std::string ClassName() const override { return "TKXGPPopulation"; }

  TKXGPIndividual<T>* Add() { return static_cast<TKXGPIndividual<T>*>(TKXPopulation::Add()); }
  TKXGPIndividual<T>* Insert(int Index) {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::Insert(Index));
  }
  TKXGPIndividual<T>* Items(int Index) const {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::Items(Index));
  }
  // Unchecked access; Index must be in range.
  TKXGPIndividual<T>* ItemAt(int Index) const noexcept {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::ItemAt(Index));
  }
  TKXGPIndividual<T>* FindItemID(int ID) const noexcept {
    return static_cast<TKXGPIndividual<T>*>(TKXPopulation::FindItemID(ID));
  }

  // The owner as a program engine, or nullptr when the owner is none or not an engine.
  IKXGeneticProgramEngine<T>* Engine() const noexcept;
};

}  // namespace kx
