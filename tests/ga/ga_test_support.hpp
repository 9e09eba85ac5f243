#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "core/core_test_support.hpp"
#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/genetic_algorithm.hpp"
#include "kx/host/parallel_for.hpp"

namespace kx::test {

// Settings in one statement: SetAll(GA, &TGA::SetGeneration, 5, ...).
using testing::SetAll;
using TGA = TKXCustomGeneticAlgorithm;

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

// Genes of all four kinds (1 + 8 + 12 + 2 bits, the last one unnamed) and four random
// individuals whose enumeration fields hold named indices; the first individual is unnamed.
// The fitness counts ones (and the evaluations in Calls).
inline void AddFourKinds(TKXCustomGeneticAlgorithm& GA, int* Calls = nullptr) {
  RandSeed(2024);
  CountOnesFitness(GA, Calls);
  AddGene(GA, "Flag", gtBoolean, 1);
  AddGene(GA, "Count", gtInteger, 8, true);
  AddGene(GA, "Ratio", gtFloat, 12);
  TKXGAGene* colour = AddGene(GA, "", gtEnumeration, 0);
  for (const char* name : {"Red", "Green", "Blue"}) colour->Enumerations()->Add(name);
  for (int i = 0; i < 4; ++i) {
    TKXGAIndividual* individual = GA.Population()->Add();
    individual->Bits()->Randomize();
    colour->SetGeneAsEnumeration(*individual->Bits(), i % 2 == 0 ? "Blue" : "Red");
    if (i > 0) individual->SetName("ind" + std::to_string(i));
  }
}

inline std::vector<std::string> BitTexts(const TKXGAPopulation* Population) {
  std::vector<std::string> texts;
  for (std::int32_t i = 0; i < Population->Count(); ++i)
    texts.push_back(Population->Items(i)->Bits()->ToBitString());
  return texts;
}

inline std::string Saved(TKXCustomGeneticAlgorithm& GA) {
  std::stringstream stream;
  GA.SaveToStream(stream);
  return stream.str();
}

}  // namespace kx::test
