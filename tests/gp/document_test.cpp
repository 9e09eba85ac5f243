// The program component's GeneticProgram document (element order, round trips, documents with
// missing parts, bad input) and its report.

#include <limits>

#include "gp_test_support.hpp"
#include "kx/gp/gp_executor.hpp"
#include "kx/host/string_list.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::testing {
namespace {

// Fresh loads the document Object saves and saves the same document (the clock aside).
template <class TObject>
void ExpectLoadsBack(TObject& Object, TObject& Fresh) {
  std::stringstream stream(Saved(Object));
  Fresh.LoadFromStream(stream);
  EXPECT_EQ(test::WithoutClock(Saved(Fresh)), test::WithoutClock(stream.str()));
}

// A program with a node without instruction below its root is refused at save.
template <class TObject>
bool RefusedSave(TObject& Object) {
  const std::string error = test::ErrorOf<EGPException>([&] { Saved(Object); });
  EXPECT_THAT(error, ::testing::AnyOf("no error", ::testing::HasSubstr(
                                                      "node without instruction below its root")));
  return error != "no error";
}

// A seeded walk of random settings and operations over a component (and an executor assigned
// from it): every state saves a document that a fresh object loads and saves unchanged.
template <class TComponent, class TExecutor>
void ExpectEverySaveLoadsBack() {
  auto prepare = [](TComponent& Gp) {  // saving evaluates what needs a fitness
    Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      Fitness = static_cast<decltype(Gp.FittestIndividual())>(Item)->DNA()->Size();
    });
  };
  const double edges[] = {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::denorm_min(), -0.0, 1e-300};
  for (std::uint64_t trial = 0; trial < 150; ++trial) {
    SCOPED_TRACE(trial);
    RandSeed(trial);
    TComponent gp;
    prepare(gp);
    gp.SetIncludeRunState(RandomInt(3) == 0);
    auto* set = gp.Instructions();
    for (const char* name : {"add", "neg", "x", "one", ""}) set->Add()->SetName(name);
    set->Items(0)->SetArity(2);
    set->Items(1)->SetArity(1);
    set->Items(3)->SetOperation(gpConstant);
    set->Items(4)->SetArity(RandomInt(3));  // unnamed: written under its class name
    set->Items(3)->SetValue(edges[RandomInt(5)]);
    const std::function<void()> actions[] = {
        [&] { gp.SetInitialPopulation(RandomInt(9)); },
        [&] { gp.SetInitializationDepth(1 + RandomInt(3)); },
        [&] { gp.Initialize(); },
        [&] { gp.Evolve(1 + RandomInt(2)); },
        [&] { gp.ParallelEvolve(1 + RandomInt(2)); },
        [&] { gp.SetMutateWeights(TGPMutationMethod(RandomInt(6)), RandomInt(256)); },
        [&] { gp.SetSelectionMethod(TGASelectionMethod(RandomInt(5))); },
        [&] { set->Add()->SetName("f" + std::to_string(RandomInt(99))); },
        [&] { set->Delete(std::max(set->Count() - 1, 4)); },
        [&] { gp.SetBloatStrategy(TGPBloatStrategy(RandomInt(18))); },
        [&] { gp.SetFitnessMethod(TGAFitnessMethod(RandomInt(4))); },
        [&] { gp.SwapGenerations(); },
        [&] { gp.Population()->Delete(RandomInt(gp.Population()->Count())); },
        [&] { gp.EvaluateFitness(); },
        [&] {  // a root's first child taken away: a binary root keeps a vacant left side
          auto* individual = gp.Population()->Items(RandomInt(gp.Population()->Count()));
          if (auto* dna = individual->DNA(); dna->ChildCount() > 0) {
            dna->ExtractChild(dna->Child(0));
            individual->FlattenDNA();
          }
        },
        [&] { gp.Population()->Add(); }};  // a bare root, which crossover may graft into others
    for (int step = 0; step < 16; ++step)  // a refused operation is part of the walk too
      test::ErrorOf<EKXException>(actions[RandomInt(std::size(actions))]);
    if (RefusedSave(gp)) continue;
    // The bloat settings are not part of the document: the application sets them again.
    TComponent fresh;
    prepare(fresh);
    fresh.SetBloatStrategy(gp.BloatStrategy());
    fresh.SetIncludeRunState(gp.IncludeRunState());
    ExpectLoadsBack(gp, fresh);
    TExecutor executor, loaded;
    executor.Assign(&gp);
    ExpectLoadsBack(executor, loaded);
  }
}

TEST(GPDocumentTest, EverySaveLoadsBackIntoTheSameDocument) {
  ExpectEverySaveLoadsBack<TKXGeneticProgramming, TKXGeneticProgrammingExecutor>();
  ExpectEverySaveLoadsBack<TKXBinaryGeneticProgramming, TKXGeneticProgrammingExecutor>();
  ExpectEverySaveLoadsBack<TKXGeneticProgrammingVariant, TKXGeneticProgrammingVariantExecutor>();
}

// A small evolved component, with settings away from their defaults, saves its elements in their
// writing order. A loader keeps the settings the document does not carry and its named
// instructions with their handlers. Documents that cannot load raise naming the element and the
// value, and change nothing; a program node without instruction below the root cannot save.
TEST(GPDocumentTest, ElementsComeInWritingOrderDocumentsLoadWholeOrChangeNothing) {
  TKXGeneticProgramming gp;
  gp.SetInitializationDepth(3);
  gp.SetCrossoverProbability(0.75);
  gp.SetSelectionMethod(smTournament);
  gp.SetElitistPct(0.25);
  gp.SetTournamentField(4);
  gp.SetMutationWeights({10, 1, 2, 3, 4, 30});
  gp.SetSelectionNonTerminalsProbability(0.6);
  gp.SetPointMutationMethod(pmmPerTree);
  gp.SetPointMutationProbability(0.05);
  EvolveQuadratic(gp, 17, 12, 1);
  TKXXMLDocument doc;
  doc.LoadFromXML(Saved(gp));
  const TKXXMLNode root = doc.RootElement("GeneticProgram");
  const TKXXMLNode reproduction = root.Child("Reproduction");
  const TKXXMLNode domain = root.Child("Domain");
  const std::pair<TKXXMLNode, std::vector<std::string>> rows[] = {
      {root,
       {"DiversityLimit", "FitnessCutoff", "FitnessMethod", "Generation", "UseDiversityLimit",
        "UseFitnessCutoff", "GenerationLimit", "UseGenerationLimit", "AvgFitness", "MaxFitness",
        "MinFitness", "Reproduction", "Domain"}},
      {reproduction,
       {"CrossoverMethod", "CrossoverProbability", "InversionProbability", "MutationProbability",
        "SelectionMethod", "InitializationMethod", "InitializationDepth", "MutationWeights",
        "SelectionNonterminalsProbability", "PointMutationMethod", "PointMutationProbability"}},
      {reproduction.Child("SelectionMethod"), {"Method", "ElitistPercent", "TournamentField"}},
      {reproduction.Child("MutationWeights"),
       {"mmSubtree", "mmReplacement", "mmConstant", "mmShrink", "mmHoist", "mmPoint"}},
      {domain, {"Instructions", "FittestIndividual", "Population"}},
      {domain.Child("Instructions"), {"Function", "Function", "Function", "Variable", "Constant"}},
      {domain.Child("FittestIndividual"), {"Name", "Fitness", "DNA"}}};
  for (const auto& [node, tags] : rows) EXPECT_EQ(test::ChildTags(node), tags) << node.NodeName();
  // Enumerations are written by value name; the fittest's fitness in single precision.
  const TXMLGPReproductionType written = GetGeneticProgram(doc).Reproduction();
  EXPECT_EQ(written.InitializationMethod() + written.PointMutationMethod() +
                written.SelectionMethod().Method() + written.CrossoverMethod(),
            "imRampedHalfAndHalfpmmPerTreesmTournamentcmSubtree");
  EXPECT_EQ(GetGeneticProgram(doc).Domain().FittestIndividual().Fitness(),
            static_cast<float>(gp.FittestIndividual()->Fitness()));
  test::TempFolder folder;
  gp.SaveToFile(folder.File("program.xml"));
  TKXGeneticProgramming target;
  AddArithmetic(*target.Instructions());
  SetQuadraticFitness(target);
  TKXGPInstruction<TGAFloat>* add = target.Instructions()->Items(0);
  target.SetBloatStrategy(bsDepthLimit);
  target.SetInitialPopulation(55);
  target.LoadFromFile(folder.File("program.xml"));
  const std::string saved = Saved(gp);
  EXPECT_EQ(Saved(target), saved);
  EXPECT_EQ(std::tuple(target.BloatStrategy(), target.InitialPopulation(),
                       target.Instructions()->Items(0), target.PreviousGeneration()->Count()),
            std::tuple(bsDepthLimit, 55, add, 12));
  TKXGeneticProgrammingExecutor executor;
  executor.Assign(&gp);
  const std::string savedProgram = Saved(executor);
  // The component reads the population (last match), the executor the fittest (first).
  const std::tuple<std::string, std::string, std::string, bool> cases[] = {
      {"Instruction=\"x\"", "Instruction=\"pow\"",
       "Unknown instruction \"pow\" at "
       "GeneticProgram/Domain/Population/Individual[12]/DNA/Child[1]",
       true},
      {"Instruction=\"x\"", "Instruction=\"pow\"",
       "Unknown instruction \"pow\" at GeneticProgram/Domain/FittestIndividual/DNA/Child[1]",
       false},
      {"Arity=\"2\"", "Arity=\"two\"",
       "\"two\" is not a valid integer value in attribute \"Arity\" at "
       "GeneticProgram/Domain/Instructions/Function[1]",
       false},
      {"<MutationProbability>", "<MutationProbability>lots",
       "at GeneticProgram/Reproduction/MutationProbability", true}};
  for (const auto& [from, to, where, inPopulation] : cases) {
    std::string text = saved;
    const std::size_t at = inPopulation ? text.rfind(from) : text.find(from);
    std::stringstream stream(text.replace(at, from.size(), to));
    EXPECT_THAT(test::ErrorOf<EKXException>([&] {
                  inPopulation ? gp.LoadFromStream(stream) : executor.LoadFromStream(stream);
                }),
                ::testing::HasSubstr(where));
    EXPECT_EQ(Saved(gp) + Saved(executor), saved + savedProgram);
  }
  // A program node without instruction below the root cannot save.
  ASSERT_NE(executor.GPProgram(), nullptr);
  executor.GPProgram()->Child(0)->SetInstruction(nullptr);
  EXPECT_TRUE(RefusedSave(executor));
  gp.FittestIndividual()->DNA()->Child(0)->SetInstruction(nullptr);
  EXPECT_TRUE(RefusedSave(gp));
}

TEST(GPReportTest, ReportLines) {
  TKXGeneticProgramming gp;
  AddArithmetic(*gp.Instructions());
  gp.Instructions()->Items(0)->SetComment("a + b");
  gp.Instructions()->Items(4)->SetComment("the constant 1");
  EXPECT_EQ(
      gp.ToString(),
      "Operating Conditions\n   Fitness Method = fmMinimize\n   Crossover Probability = "
      "90.00%\n   Inversion Probability = 10.00%\n   Mutation Probability = 1.00%\n"
      "   Mutation Distribution = mmSubtree(33.00%), mmReplacement(0.00%), mmConstant(0.00%), "
      "mmShrink(33.00%), mmHoist(33.00%), mmPoint(0.00%)\n   Selection Method = "
      "smStochasticTournament\n   Selection Non-terminals Probability = 90.00%\n"
      "   Terminals (2)\n      x, one (the constant 1)\n   Functions (3)\n      add (a + b)\n"
      "      sub\n      mul\nInitial Conditions\n   Population = 100\n   Initial Tree Depth "
      "is based on number of operations\n   Initialization Method = imFull\n"
      "There are no Termination Conditions\n");
  // A bloat strategy, a fixed depth and every termination condition, under the caller's indent.
  TKXGeneticProgrammingVariant variant;
  variant.SetBloatStrategy(bsDepthLimit);
  variant.SetBloatLimit(17);
  variant.SetInitializationDepth(5);
  variant.SetMutationWeights({0, 0, 0, 0, 0, 0});
  variant.SetFitnessMethod(fmMaximize);
  variant.SetFitnessCutoff(0.5);
  variant.SetUseFitnessCutoff(true);
  variant.SetUseDiversityLimit(true);
  variant.SetGenerationLimit(50);
  variant.SetUseGenerationLimit(true);
  TKXStringList report;
  variant.Describe(report, "> ");
  EXPECT_EQ(
      report.Text(),
      "Operating Conditions\n> Fitness Method = fmMaximize\n> Crossover Probability = 90.00%\n"
      "> Inversion Probability = 10.00%\n> Mutation Probability = 1.00%\n"
      "> Mutation Distribution = mmSubtree(0.00%), mmReplacement(0.00%), mmConstant(0.00%), "
      "mmShrink(0.00%), mmHoist(0.00%), mmPoint(0.00%)\n> Selection Method = "
      "smStochasticTournament\n> Selection Non-terminals Probability = 90.00%\n"
      "> Anti-Bloating Strategy = bsDepthLimit\n> Anti-Bloating Limit = 17\n"
      "> Terminals (0)\n> > \n> Functions (0)\nInitial Conditions\n> Population = 100\n"
      "> Initial Tree Depth = Max of 5\n> Initialization Method = imFull\n"
      "Termination Conditions\n> Fitness >= 0.5\n> Diversity less than 2.00%\n"
      "> Maximum number of generations = 50\n");
}

}  // namespace
}  // namespace kx::testing
