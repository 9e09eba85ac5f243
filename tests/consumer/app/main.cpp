// A user's first program, built against the installed package: the README's usage sketch.
#include <cstdio>
#include <iostream>
#include <kx/kxevo.hpp>

int main() {
  kx::TKXGeneticAlgorithm ga;
  ga.SetGeneSize(64);                        // 64 bits, no typed genes
  ga.SetCrossoverMethod(kx::cmBitBoundary);  // so cut anywhere, not at gene boundaries
  ga.SetFitnessMethod(kx::fmMaximize);
  ga.SetSelectionMethod(kx::smTournament);
  ga.SetOnEvaluateFitness([](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& Fitness) {
    Fitness = static_cast<kx::TKXGAIndividual*>(Item)->Bits()->CountOnes();
  });
  kx::RandSeed(42);
  const int evolved = ga.Evolve(10);
  auto* best = ga.FittestIndividual();
  ga.SaveToFile("consumer-run.xml");
  std::remove("consumer-run.xml");
  std::cout << "consumer: " << evolved << " generations, best fitness " << best->Fitness() << '\n';
  return evolved == 10 && best->Fitness() > 32 ? 0 : 1;
}
