#pragma once

// A minimal representation for exercising the evolution core: an individual holding one
// number (its raw fitness, also its document content) and a component that evaluates it and counts
// evaluations.

#include <atomic>
#include <cmath>
#include <kx/core/genetic_component.hpp>
#include <kx/host/parallel_for.hpp>
#include <kx/xml/xml_node.hpp>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

#include "host/host_test_support.hpp"

namespace kx::testing {

class TValueIndividual : public TKXIndividual {
 public:
  using TKXIndividual::TKXIndividual;
  std::string ClassName() const override { return "TValueIndividual"; }

  double Value() const noexcept { return FValue; }
  void SetValue(double Value) {
    if (Value == FValue) return;
    FValue = Value;
    Modified();
  }

  void Assign(TKXPersistent* Source) override {
    if (auto* source = dynamic_cast<TValueIndividual*>(Source)) FValue = source->FValue;
    TKXIndividual::Assign(Source);
  }
  // Keeps the value, as a whole number, in the text of its element.
  void LoadFromXML(const TXMLNode& Node) override {
    SetValue(std::stod(std::string(ElementText(Node.Node()))));
  }
  void SaveToXML(const TXMLNode& Node) override {
    SetElementText(Node.Node(), std::to_string(static_cast<int>(FValue)));
  }

 private:
  double FValue = 0;
};

using TComp = TKXCustomGeneticComponent;

// Calls each (setter, value) pair on Component, in order: settings in one statement.
template <class T>
void SetAll(T& /*Component*/) {}
template <class T, class TSetter, class TValue, class... TMore>
void SetAll(T& Component, TSetter Setter, TValue Value, TMore... More) {
  (Component.*Setter)(Value);
  SetAll(Component, More...);
}

inline TValueIndividual* AsValue(TKXIndividual* Item) {
  return static_cast<TValueIndividual*>(Item);
}

// Evaluates an individual's value as its fitness (plus a small random draw when Noisy, so
// that evaluation streams show in the result), counts the calls of its steps and exposes the
// protected ones. The evaluation count is safe to update from several threads.
class TValueComponent : public TKXCustomGeneticComponent {
 public:
  explicit TValueComponent(bool Noisy = false) {
    SetOnEvaluateFitness([this, Noisy](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      Evaluations.fetch_add(1, std::memory_order_relaxed);
      Fitness = AsValue(Item)->Value();
      if (Noisy) Fitness += RandomFloat() / 1024;
    });
  }

  // Replaces the population by one individual per value and evaluates it.
  void SetValues(const std::vector<double>& Values) {
    TKXPopulation* population = Population();
    population->Clear();
    for (double v : Values) AsValue(population->Add())->SetValue(v);
    EvaluateFitness();
  }
  TValueIndividual* At(int Index) const { return AsValue(Population()->Items(Index)); }
  std::vector<double> Values() const {
    std::vector<double> values;
    for (int i = 0; i < Population()->Count(); ++i) values.push_back(At(i)->Value());
    return values;
  }

  using TKXCustomGeneticComponent::DoStartEvolve;

  std::atomic<int> Evaluations{0};
  std::atomic<int> Updates{0};  // change reports the population forwarded
  int Initializations = 0;      // calls of DoInitialize

 protected:
  void PopulationUpdate(TKXIndividual* /*Item*/) override { ++Updates; }
  std::int32_t DoInitialize() override { return ++Initializations, 0; }
  std::unique_ptr<TKXPopulation> CreatePopulation(TKXItemClass /*ItemClass*/) override {
    return std::make_unique<TKXPopulation>(ItemClassOf<TValueIndividual>(), this);
  }
};

// Operators that change the value and draw from the generator, so that every breeding
// stream shows in the result.
class TRandomValueComponent : public TValueComponent {
 public:
  using TValueComponent::TValueComponent;

 protected:
  std::int32_t DoInitialize() override {
    for (int i = 0; i < Population()->Count(); ++i) At(i)->SetValue(RandomFloat() * 100);
    return 0;
  }
  bool DoCrossover(TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* C1,
                   TKXIndividual* C2) override {
    const double a = RandomFloat(), v1 = AsValue(P1)->Value(), v2 = AsValue(P2)->Value();
    AsValue(C1)->SetValue(v1 + a * (v2 - v1));
    if (C2 != nullptr) AsValue(C2)->SetValue(v2 + a * (v1 - v2));
    return true;
  }
  bool DoMutate(TKXIndividual* Item) override {
    AsValue(Item)->SetValue(AsValue(Item)->Value() + RandomFloat() - 0.5);
    return true;
  }
  bool DoInvert(TKXIndividual* Item) override {
    AsValue(Item)->SetValue(100 - AsValue(Item)->Value());
    return true;
  }
};

}  // namespace kx::testing
