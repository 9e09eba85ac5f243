#pragma once

// A minimal representation for exercising the evolution core: an individual holding one
// number (its raw fitness) and a component that evaluates it and counts evaluations.

#include <gtest/gtest.h>

#include <kx/core/genetic_component.hpp>
#include <memory>
#include <string>
#include <vector>

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

 private:
  double FValue = 0;
};

inline TValueIndividual* AsValue(TKXIndividual* Item) {
  return static_cast<TValueIndividual*>(Item);
}

// Evaluates an individual's value as its fitness and exposes the protected steps.
class TValueComponent : public TKXCustomGeneticComponent {
 public:
  explicit TValueComponent(TKXComponent* AOwner = nullptr) : TKXCustomGeneticComponent(AOwner) {
    SetOnEvaluateFitness([this](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      ++Evaluations;
      Fitness = AsValue(Item)->Value();
    });
  }
  std::string ClassName() const override { return "TValueComponent"; }

  // Replaces the population by one individual per value and evaluates it.
  void SetValues(const std::vector<double>& Values) {
    TKXPopulation* population = Population();
    population->Clear();
    for (double v : Values) AsValue(population->Add())->SetValue(v);
    EvaluateFitness();
  }
  TValueIndividual* At(int Index) const { return AsValue(Population()->Items(Index)); }

  using TKXCustomGeneticComponent::DoEvolveOneStep;
  using TKXCustomGeneticComponent::DoStartEvolve;
  using TKXCustomGeneticComponent::PrioritizePopulation;

  int Evaluations = 0;

 protected:
  std::unique_ptr<TKXPopulation> CreatePopulation(TKXItemClass /*ItemClass*/) override {
    return std::make_unique<TKXPopulation>(ItemClassOf<TValueIndividual>(), this);
  }
};

// Runs Action and expects it to raise E with exactly the message Text.
template <class E, class F>
void ExpectThrowWithMessage(F&& Action, const char* Text) {
  try {
    Action();
    ADD_FAILURE() << "expected an exception: " << Text;
  } catch (const E& e) {
    EXPECT_STREQ(e.what(), Text);
  }
}

}  // namespace kx::testing
