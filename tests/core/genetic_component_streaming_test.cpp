#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "kx/core/genetic_component.hpp"
#include "kx/host/streaming.hpp"

namespace kx {
namespace {

std::string Written(TKXCustomGeneticComponent& Component) {
  std::stringstream stream;
  WriteComponent(stream, Component);
  return stream.str();
}

// The lines of the stream whose name is one of the six float settings.
std::vector<std::string> FloatLines(const std::string& Text) {
  std::vector<std::string> lines;
  std::istringstream stream(Text);
  for (std::string line; std::getline(stream, line);) {
    for (const char* name :
         {"FitnessCutoff", "DiversityLimit", "ElitistPct", "CrossoverProbability",
          "InversionProbability", "MutationProbability"}) {
      if (line.rfind(std::string("  ") + name + " =", 0) == 0) lines.push_back(line);
    }
  }
  return lines;
}

TEST(GeneticComponentStreaming, DefaultFloatSettingsWriteNoEntries) {
  TKXCustomGeneticComponent component;
  EXPECT_TRUE(FloatLines(Written(component)).empty()) << Written(component);
}

TEST(GeneticComponentStreaming, ChangedFloatSettingsAreWrittenOnceInTheirOrder) {
  TKXCustomGeneticComponent component;
  component.SetMutationProbability(0);
  component.SetInversionProbability(0.25);
  component.SetCrossoverProbability(0.5);
  component.SetElitistPct(0.125);
  component.SetDiversityLimit(0.75);
  component.SetFitnessCutoff(-2.5);
  EXPECT_EQ(
      FloatLines(Written(component)),
      (std::vector<std::string>{"  FitnessCutoff = -2.5", "  DiversityLimit = 0.75",
                                "  ElitistPct = 0.125", "  CrossoverProbability = 0.5",
                                "  InversionProbability = 0.25", "  MutationProbability = 0"}));

  std::stringstream stream(Written(component));
  TKXCustomGeneticComponent copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(copy.MutationProbability(), 0);
  EXPECT_EQ(copy.InversionProbability(), 0.25);
  EXPECT_EQ(copy.CrossoverProbability(), 0.5);
  EXPECT_EQ(copy.ElitistPct(), 0.125);
  EXPECT_EQ(copy.DiversityLimit(), 0.75);
  EXPECT_EQ(copy.FitnessCutoff(), -2.5);
}

TEST(GeneticComponentStreaming, ExtraEntriesAreAppliedThroughTheClampingSetters) {
  std::istringstream stream(
      "object C: TKXCustomGeneticComponent\n"
      "  MutationProbability = 3\n"
      "  DiversityLimit = -1\n"
      "end\n");
  TKXCustomGeneticComponent component;
  ReadComponent(stream, component);
  EXPECT_EQ(component.MutationProbability(), 1);
  EXPECT_EQ(component.DiversityLimit(), 0);
}

}  // namespace
}  // namespace kx
