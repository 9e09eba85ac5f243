#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/core_test_support.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/streaming.hpp"

namespace kx {
namespace {

std::string Written(TKXCustomGeneticComponent& Component) {
  std::stringstream stream;
  WriteComponent(stream, Component);
  return stream.str();
}

// The property lines of a written component, without the object's header and end.
std::vector<std::string> PropertyLines(const std::string& Text) {
  std::vector<std::string> lines;
  std::istringstream stream(Text);
  for (std::string line; std::getline(stream, line);) {
    if (line.rfind("  ", 0) == 0 && line.find(" = ") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

TEST(GeneticComponentStreaming, ChangedSettingsRoundTripWithTheFloatEntriesLastInTheirOrder) {
  TKXCustomGeneticComponent component;
  EXPECT_TRUE(PropertyLines(Written(component)).empty()) << "defaults are not written";
  component.SetMutationProbability(0);
  component.SetInversionProbability(0.25);
  component.SetCrossoverProbability(0.5);
  component.SetElitistPct(0.125);
  component.SetDiversityLimit(0.75);
  component.SetFitnessCutoff(-2.5);
  component.SetTournamentField(4);
  component.SetSelectionMethod(smElitist);
  component.SetOperations({goCrossover, goInvert});
  const std::vector<std::string> lines = PropertyLines(Written(component));
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(
      std::vector<std::string>(lines.end() - 6, lines.end()),
      (std::vector<std::string>{"  FitnessCutoff = -2.5", "  DiversityLimit = 0.75",
                                "  ElitistPct = 0.125", "  CrossoverProbability = 0.5",
                                "  InversionProbability = 0.25", "  MutationProbability = 0"}));

  std::stringstream stream(Written(component));
  TKXCustomGeneticComponent copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(Written(copy), Written(component));
  EXPECT_EQ(copy.Operations(), (TGAGeneticOperations{goCrossover, goInvert}));
}

TEST(GeneticComponentStreaming, EntriesAreAppliedThroughTheClampingSetters) {
  std::istringstream stream(
      "object C: TKXCustomGeneticComponent\n"
      "  MutationProbability = 3\n"
      "  DiversityLimit = -1\n"
      "  TournamentField = 1\n"
      "end\n");
  TKXCustomGeneticComponent component;
  ReadComponent(stream, component);
  EXPECT_EQ(component.MutationProbability(), 1);
  EXPECT_EQ(component.DiversityLimit(), 0);
  EXPECT_EQ(component.TournamentField(), 2);

  std::istringstream bad(
      "object C: TKXCustomGeneticComponent\n  FitnessMethod = fmSideways\nend\n");
  EXPECT_THROW(ReadComponent(bad, component), EConvertError);
}

}  // namespace
}  // namespace kx
