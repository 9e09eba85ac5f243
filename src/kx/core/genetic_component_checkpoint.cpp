// Checkpoints: the run state element of a component's document, written on request and read
// whenever a document has one.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "kx/core/detail/exact_numbers.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/core/run_state.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"
#include "kx/xml/run_state_xml.hpp"

namespace kx {

namespace {

std::string DoubleText(double Value) {
  std::string text;
  detail::AppendExactDouble(text, Value);
  return text;
}

// Parses one whole number of type N from Text (decimal, or hexadecimal with Base 16).
template <class N>
N ParseNumber(std::string_view Element, std::string_view Text, int Base = 10) {
  const std::string_view text = detail::TrimBlanks(Text);
  N value{};
  const std::from_chars_result result =
      std::from_chars(text.data(), text.data() + text.size(), value, Base);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size())
    detail::BadRunState(Element, Text);
  return value;
}

std::string HexText(std::uint64_t Value) {
  char buffer[17];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, Value, 16);
  const std::string digits(buffer, result.ptr);
  return std::string(16 - digits.size(), '0') + digits;
}

// Everything the element holds, read and checked before any of it is applied.
struct TSavedRun {
  std::int32_t Generation = 0;
  TKXRandom::TState Random{};
  std::int32_t RouletteIndex = 0;
  std::int64_t Evaluations = 0;
  bool HasBest = false;
  double BestFitness = 0;
  std::int32_t BestGeneration = 0;
  double ElapsedSeconds = 0;
  std::vector<double> Fitnesses;
  bool HasRouletteTable = false;
  std::vector<double> RouletteTable;
};

TSavedRun ReadSavedRun(const TXMLRunStateType& Element) {
  TSavedRun saved;
  saved.Generation = Element.Generation();
  saved.Random.State = ParseNumber<std::uint64_t>("RandomState", Element.RandomState(), 16);
  saved.Random.Increment =
      ParseNumber<std::uint64_t>("RandomIncrement", Element.RandomIncrement(), 16);
  saved.RouletteIndex = Element.RouletteIndex();
  saved.Evaluations = ParseNumber<std::int64_t>("Evaluations", Element.Evaluations());
  if (saved.Evaluations < 0) detail::BadRunState("Evaluations", Element.Evaluations());
  saved.HasBest = Element.HasBestFitness();
  if (saved.HasBest) {
    saved.BestFitness = detail::ParseExactDouble("BestFitness", Element.BestFitness());
    saved.BestGeneration = Element.BestGeneration();
  }
  saved.ElapsedSeconds = detail::ParseExactDouble("ElapsedSeconds", Element.ElapsedSeconds());
  saved.Fitnesses = detail::ParseExactDoubles("Fitnesses", Element.Fitnesses());
  saved.HasRouletteTable = Element.HasRouletteTable();
  if (saved.HasRouletteTable)
    saved.RouletteTable = detail::ParseExactDoubles("RouletteTable", Element.RouletteTable());
  return saved;
}

}  // namespace

void TKXCustomGeneticComponent::SaveRunStateToXML(const TXMLNode& Root) {
  if (!FIncludeRunState) return;
  const TXMLRunStateType element = NewRunState(Root);
  TKXPopulation* population = Population();
  const std::int32_t count = population->Count();
  std::vector<double> fitnesses(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) fitnesses[i] = population->ItemAt(i)->Fitness();

  element.SetGeneration(FGeneration);
  // Taken after the fitnesses were read: should that have evaluated anything, the run
  // continues from the generator as it is now.
  const TKXRandom::TState random = RandomState();
  element.SetRandomState(HexText(random.State));
  element.SetRandomIncrement(HexText(random.Increment));
  element.SetRouletteIndex(FRouletteIndex);
  element.SetEvaluations(std::to_string(FRunState->Evaluations()));
  if (FRunState->HasBest()) {
    element.SetBestFitness(DoubleText(FRunState->BestFitness()));
    element.SetBestGeneration(FRunState->BestGeneration());
  }
  element.SetElapsedSeconds(DoubleText(FRunState->ElapsedSeconds()));
  element.SetFitnesses(detail::ExactDoublesText(fitnesses));
  if (!FCumNormFitnesses.empty())
    element.SetRouletteTable(detail::ExactDoublesText(FCumNormFitnesses));
}

void TKXCustomGeneticComponent::LoadRunStateFromXML(const TXMLNode& Root) {
  const std::optional<TXMLRunStateType> element = FindRunState(Root);
  if (!element) return;
  const TSavedRun saved = ReadSavedRun(*element);
  TKXPopulation* population = Population();
  const std::int32_t count = population->Count();
  if (saved.Fitnesses.size() != static_cast<std::size_t>(count)) {
    detail::BadRunState("Fitnesses", std::to_string(saved.Fitnesses.size()) + " values for " +
                                         std::to_string(count) + " individuals");
  }

  for (std::int32_t i = 0; i < count; ++i)
    population->ItemAt(i)->RestoreFitness(saved.Fitnesses[i]);
  DoRunStateRestored();
  // With every fitness cached this only recomputes: the statistics, the fittest individual
  // and the selection preparation come out as they were when the checkpoint was taken.
  EvaluateFitness();
  // The table is the saved one, as it was: one the selection preparation does not renew (a
  // custom handler's), one made before the population changed size, or none yet.
  FCumNormFitnesses = saved.RouletteTable;
  FRouletteIndex = saved.RouletteIndex;
  FGeneration = saved.Generation;
  FRunState->Restore(saved.Evaluations, saved.HasBest, saved.BestFitness, saved.BestGeneration,
                     saved.ElapsedSeconds);
  // Last, so that nothing above draws from the restored sequence.
  SetRandomState(saved.Random);
}

void TKXCustomGeneticComponent::SaveCheckpoint(const std::string& FileName) {
  struct TIncludeScope {
    TKXCustomGeneticComponent& Component;
    bool Saved;
    ~TIncludeScope() { Component.FIncludeRunState = Saved; }
  } scope{*this, FIncludeRunState};
  FIncludeRunState = true;
  SaveToFile(FileName);
}

}  // namespace kx
