// The concrete program components, their inherited overloads, and streaming and assignment of
// their settings.

#include "gp_test_support.hpp"
#include "host/host_test_support.hpp"
#include "kx/host/streaming.hpp"

namespace kx::testing {
namespace {

// The core's overloads stay callable: a derived member of the same name must not hide them.
template <class TGP>
concept ReachesCoreOverloads = requires(TGP& gp, TKXIndividual* item,
                                        typename TGP::TIndividual* own, TKXPopulation* pop) {
  gp.Mutate(item);
  gp.Mutate(own, mmSubtree);
  gp.Crossover(item, item, item);
  gp.Crossover(item, item, item, item);
  gp.SetPopulation(pop);
  gp.SetPreviousGeneration(pop);
};
static_assert(ReachesCoreOverloads<TKXGeneticProgramming>);
static_assert(ReachesCoreOverloads<TKXGeneticProgrammingVariant>);

TEST(GPComponentsTest, StreamsThePublishedSettings) {
  // Defaults are not written, except the crossover probability that differs from the core's;
  // the selection method's declared default is the plain tournament, not the initial value.
  TKXGeneticProgramming gp;
  EXPECT_EQ(StreamText(gp),
            "object : TKXGeneticProgramming\n  SelectionMethod = smStochasticTournament\n"
            "  CrossoverProbability = 0.9\nend\n");
  TKXGeneticProgramming tournament;
  tournament.SetSelectionMethod(smTournament);
  EXPECT_EQ(StreamEntryNames(StreamText(tournament)),
            std::vector<std::string>{"CrossoverProbability"});
  AddArithmetic(*gp.Instructions());
  AddInstructions(*gp.Instructions(), {"two"});
  gp.Instructions()->Items(4)->SetComment("a 'constant'");
  gp.SetOperations({goMutate});  // not published by the program components
  gp.SetTournamentField(3);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetMutationWeights({0, 0, 0, 25, 25, 40});
  gp.SetPointMutationProbability(0.25);
  gp.SetParsimonyCoefficient(0.5);
  gp.SetSelectionNonTerminalsProbability(0.75);
  gp.SetTarpeianProbability(0.6);
  const std::string text = StreamText(gp);
  // The published order, each once; the float entries come last.
  EXPECT_EQ(StreamEntryNames(text),
            (std::vector<std::string>{"InitializationMethod", "Instructions", "MutateSubtreeWeight",
                                      "MutatePointWeight", "SelectionMethod", "TournamentField",
                                      "CrossoverProbability", "SelectionNonTerminalsProbability",
                                      "ParsimonyCoefficient", "PointMutationProbability",
                                      "TarpeianProbability"}));
  std::istringstream stream(text);
  TKXGeneticProgramming copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(std::tuple(copy.MutationWeightSum(), copy.FunctionsCount(), copy.TerminalsCount()),
            std::tuple(90, 3, 2));
  EXPECT_EQ(StreamText(copy), text);  // every setting is read back as written
}

// Assign copies settings, instructions (handlers only with AssignAll) and populations, whose
// trees must not depend on the source afterwards.
TEST(GPComponentsTest, AssignCopiesSettingsInstructionsAndPopulations) {
  auto source = std::make_unique<TKXGeneticProgramming>();
  source->SetBloatStrategy(bsHoistSize);
  source->SetMutateWeights(mmConstant, 9);
  source->SetTarpeianProbability(0.7);
  EvolveQuadratic(*source, 31, 20, 2);
  TKXGeneticProgramming target;
  target.Assign(source.get());
  EXPECT_EQ(
      std::tuple(target.BloatStrategy(), target.MutationWeightSum(), target.TarpeianProbability(),
                 bool(target.Instructions()->Items(0)->OnExecute())),
      std::tuple(bsHoistSize, 84, 0.7, false));
  target.AssignAll(source.get());
  EXPECT_TRUE(target.Instructions()->Items(0)->OnExecute());
  target.Assign(source.get());
  std::vector<std::string> before = Snapshot(*source);
  source.reset();
  before[0] = Snapshot(target)[0];  // the run's own counters are not settings
  EXPECT_EQ(Snapshot(target), before);
  for (int i = 0; i < 20; ++i)
    EXPECT_TRUE(std::isfinite(RunAt(*target.Population()->Items(i), 0.5)));
}

}  // namespace
}  // namespace kx::testing
