#pragma once

// Shared set-up of the distributed tests, which every rank runs together: the components
// every rank builds alike, and what a run leaves behind, to compare runs by.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ga/ga_test_support.hpp"
#include "gp/gp_test_support.hpp"
#include "kx/ga/genetic_algorithm.hpp"
#include "kx/mpi/communicator.hpp"

namespace kx::testing {

// A 70-bit chromosome (two words, the second partly used) whose bits weigh by position, so
// that a bit out of place changes the fitness.
inline std::unique_ptr<TKXCustomGeneticComponent> MakeGA() {
  auto ga = std::make_unique<TKXGeneticAlgorithm>();
  ga->SetGeneSize(70);
  ga->SetInitialPopulation(30);
  ga->SetFitnessMethod(fmMaximize);
  ga->SetSelectionMethod(smTournament);
  ga->SetCrossoverMethod(cmBitBoundary);
  ga->SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    const TKXGABits& bits = *static_cast<TKXGAIndividual*>(Item)->Bits();
    for (int i = 0; i < bits.Size(); ++i) Fitness += bits.Bits(i) ? 1 + i % 7 : 0;
  });
  return ga;
}

// Programs over add, sub, mul, x and three constants of different values.
inline std::unique_ptr<TKXCustomGeneticComponent> MakeGP() {
  auto gp = std::make_unique<TKXGeneticProgramming>();
  AddArithmetic(*gp->Instructions());
  AddInstructions(*gp->Instructions(), {"two", "third"});
  gp->Instructions()->Items(6)->SetOperation(gpConstant);
  gp->Instructions()->Items(6)->SetValue(1.0 / 3);  // more digits than a document keeps
  gp->SetInitialPopulation(40);
  gp->SetInitializationDepth(4);
  gp->SetSelectionMethod(smTournament);
  SetQuadraticFitness(*gp);
  return gp;
}

// Every individual of the population: its genetic material as text, and its fitness.
inline std::vector<std::pair<std::string, TGAFitness>> Snapshot(TKXCustomGeneticComponent& C) {
  std::vector<std::pair<std::string, TGAFitness>> items;
  TKXPopulation* population = C.Population();
  for (std::int32_t i = 0; i < population->Count(); ++i) {
    TKXIndividual* item = population->ItemAt(i);
    auto* ga = dynamic_cast<TKXGAIndividual*>(item);
    items.emplace_back(
        ga ? ga->Bits()->ToBitString() : dynamic_cast<TFloatIndividual&>(*item).DNA()->ToString(),
        item->Fitness());
  }
  return items;
}

// The communicator of the whole run, shared by the tests.
TKXCommunicator& World();

}  // namespace kx::testing
