#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/host_test_support.hpp"
#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/genetic_algorithm.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/parallel_for.hpp"
#include "kx/host/random.hpp"

namespace kx::test {

// The fitness is the number of 1 bits; Calls, when given, counts the evaluations.
inline void CountOnesFitness(TKXCustomGeneticAlgorithm& GA, int* Calls = nullptr) {
  GA.SetOnEvaluateFitness([Calls](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    if (Calls != nullptr) ++*Calls;
    Fitness = static_cast<TKXGAIndividual*>(Item)->Bits()->CountOnes();
  });
}

inline TKXGAGene* AddGene(TKXCustomGeneticAlgorithm& GA, const std::string& Name, TGeneType Kind,
                          std::int32_t Size, bool Signed = false) {
  TKXGAGene* gene = GA.Genes()->Add();
  gene->SetName(Name);
  gene->SetGeneType(Kind);
  gene->SetSize(Size);
  gene->SetPreserveSignBit(Signed);
  return gene;
}

inline std::vector<std::string> BitTexts(const TKXGAPopulation* Population) {
  std::vector<std::string> texts;
  for (std::int32_t i = 0; i < Population->Count(); ++i) {
    texts.push_back(Population->Items(i)->Bits()->ToBitString());
  }
  return texts;
}

}  // namespace kx::test
