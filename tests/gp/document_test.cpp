// The program component's GeneticProgram document (element order, round trips through
// files and streams, documents with missing parts, bad input) and its report.

#include <filesystem>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <type_traits>

#include "gp_test_support.hpp"
#include "kx/gp/gp_executor.hpp"
#include "kx/host/string_list.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::testing {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> ChildTags(TKXXMLNode Node) {
  std::vector<std::string> tags;
  for (TKXXMLNode child = Node.FirstChild(); child; child = child.NextSibling()) {
    if (child.NodeType() == TXMLNodeType::ntElement) tags.emplace_back(child.NodeName());
  }
  return tags;
}

std::vector<std::string> Lines(const TKXStringList& List) {
  std::vector<std::string> lines;
  for (int i = 0; i < List.Count(); ++i) lines.push_back(List.Strings(i));
  return lines;
}

// A small evolved component with settings away from their defaults.
void Evolved(TKXGeneticProgramming& Gp, std::int32_t Population = 12) {
  AddArithmetic(*Gp.Instructions());
  AddConstant(*Gp.Instructions(), "one", 1.0)->SetComment("the constant 1");
  Gp.SetInitializationDepth(3);
  Gp.SetCrossoverProbability(0.75);
  Gp.SetInversionProbability(0.2);
  Gp.SetMutationProbability(0.3);
  Gp.SetSelectionMethod(smTournament);
  Gp.SetElitistPct(0.25);
  Gp.SetTournamentField(4);
  Gp.SetMutationWeights({10, 1, 2, 3, 4, 30});
  Gp.SetSelectionNonTerminalsProbability(0.6);
  Gp.SetPointMutationMethod(pmmPerTree);
  Gp.SetPointMutationProbability(0.05);
  Gp.SetGenerationLimit(40);
  Gp.SetUseGenerationLimit(true);
  EvolveQuadratic(Gp, 17, Population, 1);
}

// --- Element order ----------------------------------------------------------------------------

TEST(GPDocumentTest, ElementsOfANewDocumentComeInTheirWritingOrder) {
  TKXGeneticProgramming gp;
  Evolved(gp, 4);
  std::stringstream stream;
  gp.SaveToStream(stream);
  TKXXMLDocument doc;
  doc.LoadFromStream(stream);
  const TKXXMLNode root = doc.RootElement("GeneticProgram");

  EXPECT_THAT(ChildTags(root), ElementsAre("DiversityLimit", "FitnessCutoff", "FitnessMethod",
                                           "Generation", "UseDiversityLimit", "UseFitnessCutoff",
                                           "GenerationLimit", "UseGenerationLimit", "AvgFitness",
                                           "MaxFitness", "MinFitness", "Reproduction", "Domain"));
  EXPECT_THAT(
      ChildTags(root.Child("Reproduction")),
      ElementsAre("CrossoverMethod", "CrossoverProbability", "InversionProbability",
                  "MutationProbability", "SelectionMethod", "InitializationMethod",
                  "InitializationDepth", "MutationWeights", "SelectionNonterminalsProbability",
                  "PointMutationMethod", "PointMutationProbability"));
  EXPECT_THAT(ChildTags(root.Child("Reproduction").Child("SelectionMethod")),
              ElementsAre("Method", "ElitistPercent", "TournamentField"));
  EXPECT_THAT(
      ChildTags(root.Child("Reproduction").Child("MutationWeights")),
      ElementsAre("mmSubtree", "mmReplacement", "mmConstant", "mmShrink", "mmHoist", "mmPoint"));
  const TKXXMLNode domain = root.Child("Domain");
  EXPECT_THAT(ChildTags(domain), ElementsAre("Instructions", "FittestIndividual", "Population"));
  EXPECT_THAT(ChildTags(domain.Child("Instructions")),
              ElementsAre("Function", "Function", "Function", "Variable", "Constant"));
  EXPECT_THAT(ChildTags(domain.Child("Population")),
              ElementsAre("Individual", "Individual", "Individual", "Individual"));
  EXPECT_THAT(ChildTags(domain.Child("FittestIndividual")), ElementsAre("Name", "Fitness", "DNA"));

  // Enumerations are written by value name; the fittest's fitness in single precision.
  const TXMLGPReproductionType reproduction = GetGeneticProgram(doc).Reproduction();
  EXPECT_EQ(reproduction.InitializationMethod(), "imRampedHalfAndHalf");
  EXPECT_EQ(reproduction.PointMutationMethod(), "pmmPerTree");
  EXPECT_EQ(reproduction.SelectionMethod().Method(), "smTournament");
  EXPECT_EQ(GetGeneticProgram(doc).Domain().FittestIndividual().Fitness(),
            static_cast<float>(gp.FittestIndividual()->Fitness()));
}

// Missing elements read as their empty values; present weights drive the mutation walk.
TEST(GPDocumentTest, PartialReproductionElements) {
  TKXGeneticProgramming gp;
  gp.SetPointMutationMethod(pmmPerTree);
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GeneticProgram><Reproduction><CrossoverProbability>0.5</CrossoverProbability>"
      "<InitializationMethod>imgrow</InitializationMethod>"
      "<SelectionMethod><Method>nonsense</Method></SelectionMethod>"
      "</Reproduction><Domain/></GeneticProgram>");
  gp.LoadFromXML(GetGeneticProgram(doc));
  EXPECT_EQ(gp.PointMutationMethod(), pmmPerNode);
  EXPECT_EQ(gp.MutationWeights(), (TGPMutationMethodWeights{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(gp.MutationWeightSum(), 0);
  EXPECT_EQ(gp.CrossoverProbability(), 0.5);
  EXPECT_EQ(gp.InitializationMethod(), imGrow);             // names match ignoring case
  EXPECT_EQ(gp.SelectionMethod(), smStochasticTournament);  // unknown name: unchanged
  EXPECT_EQ(gp.Population()->Count(), 0);

  doc.LoadFromXML(
      "<GeneticProgram><Reproduction><MutationWeights><mmSubtree>10</mmSubtree>"
      "<mmPoint>30</mmPoint></MutationWeights></Reproduction></GeneticProgram>");
  gp.LoadFromXML(GetGeneticProgram(doc));
  EXPECT_EQ(gp.MutationWeightSum(), 40);
  TKXStringList report;
  gp.Describe(report, "");
  EXPECT_EQ(report.Strings(5),
            "Mutation Distribution = mmSubtree(25.00%), mmReplacement(0.00%), "
            "mmConstant(0.00%), mmShrink(0.00%), mmHoist(0.00%), mmPoint(75.00%)");
}

// --- Every save loads back ------------------------------------------------------------------

template <class TObject>
std::string Saved(TObject& Object) {
  std::stringstream stream;
  Object.SaveToStream(stream);
  return stream.str();
}

template <class TObject>
void ExpectLoadsBack(TObject& Object, const std::function<void(TObject&)>& Prepare) {
  const std::string saved = Saved(Object);
  TObject fresh;
  Prepare(fresh);
  std::stringstream stream(saved);
  fresh.LoadFromStream(stream);
  EXPECT_EQ(test::WithoutClock(Saved(fresh)), test::WithoutClock(saved));
}

// A program with a node without instruction below its root is refused at save.
template <class TObject>
bool RefusedSave(TObject& Object) {
  try {
    Saved(Object);
    return false;
  } catch (const EGPException& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("node without instruction below its root"));
    return true;
  }
}

// A seeded walk of random settings and operations over a component (and an executor assigned
// from it): every state saves a document that a fresh object loads and saves unchanged.
template <class TComponent, class TExecutor>
void ExpectEverySaveLoadsBack() {
  using TIndividual = std::remove_pointer_t<decltype(TComponent().FittestIndividual())>;
  auto prepare = [](TComponent& Gp) {
    Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      Fitness = static_cast<TIndividual*>(Item)->DNA()->Size();
    });
  };
  for (std::uint64_t trial = 0; trial < 150; ++trial) {
    SCOPED_TRACE(trial);
    RandSeed(trial);
    TComponent gp;
    prepare(gp);
    gp.SetIncludeRunState(RandomInt(3) == 0);
    gp.SetInitialPopulation(RandomInt(9));
    auto* set = gp.Instructions();
    for (const char* name : {"add", "neg", "x", "one", ""}) set->Add()->SetName(name);
    set->Items(0)->SetArity(2);
    set->Items(1)->SetArity(1);
    set->Items(3)->SetOperation(gpConstant);
    set->Items(4)->SetArity(RandomInt(3));  // unnamed: written under its class name
    using TValue = std::remove_cvref_t<decltype(set->Items(3)->Value())>;
    const double edges[] = {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::denorm_min(), -0.0, 1e-300};
    set->Items(3)->SetValue(TValue(edges[RandomInt(5)]));
    for (int step = 0; step < 10; ++step) {
      try {
        switch (RandomInt(10)) {
          case 0:
            gp.SetInitialPopulation(RandomInt(9));
            gp.SetInitializationDepth(1 + RandomInt(3));
            gp.Initialize();
            break;
          case 1:
            RandomInt(2) ? gp.Evolve(1 + RandomInt(2)) : gp.ParallelEvolve(1 + RandomInt(2));
            break;
          case 5:
            gp.SetBloatStrategy(static_cast<TGPBloatStrategy>(RandomInt(18)));
            gp.SetBloatLimit(5 + RandomInt(4));
            gp.SetTarpeianProbability(RandomFloat());
            gp.SetFitnessMethod(static_cast<TGAFitnessMethod>(RandomInt(4)));
            break;
          case 6:
            gp.SwapGenerations();
            break;
          case 7:
            if (gp.Population()->Count() > 0)
              gp.Population()->Delete(RandomInt(gp.Population()->Count()));
            break;
          case 8:
            gp.EvaluateFitness();
            break;
          case 2:
            gp.SetMutationWeights({static_cast<std::uint8_t>(RandomInt(9)), 1, 2, 3, 4, 5});
            gp.SetPointMutationProbability(RandomFloat());
            gp.SetSelectionMethod(static_cast<TGASelectionMethod>(RandomInt(5)));
            gp.SetGeneration(RandomInt(50));
            break;
          case 3:
            set->Add()->SetName("f" + std::to_string(step));
            break;
          case 9:
            gp.Population()->Add();  // a bare root, which crossover may graft into others
            break;
          default:
            if (set->Count() > 3) set->Delete(set->Count() - 1);
            break;
        }
      } catch (const EKXException&) {
        // A refused operation is part of the walk too.
      }
    }
    if (RefusedSave(gp)) continue;
    // The bloat settings are not part of the document: the application sets them again.
    ExpectLoadsBack<TComponent>(gp, [&](TComponent& Fresh) {
      prepare(Fresh);
      Fresh.SetBloatStrategy(gp.BloatStrategy());
      Fresh.SetBloatLimit(gp.BloatLimit());
      Fresh.SetTarpeianProbability(gp.TarpeianProbability());
      Fresh.SetIncludeRunState(gp.IncludeRunState());
    });
    TExecutor executor;
    executor.Assign(&gp);
    ExpectLoadsBack<TExecutor>(executor, [](TExecutor&) {});
  }
}

TEST(GPDocumentTest, EverySaveLoadsBackIntoTheSameDocument) {
  ExpectEverySaveLoadsBack<TKXGeneticProgramming, TKXGeneticProgrammingExecutor>();
  ExpectEverySaveLoadsBack<TKXBinaryGeneticProgramming, TKXGeneticProgrammingExecutor>();
  ExpectEverySaveLoadsBack<TKXGeneticProgrammingVariant, TKXGeneticProgrammingVariantExecutor>();
}

TEST(GPDocumentTest, NodesWithoutInstructionBelowTheRootAreRefusedAtSave) {
  TKXGeneticProgramming gp;
  Evolved(gp);
  TKXGeneticProgrammingExecutor executor;
  executor.Assign(&gp);
  ASSERT_GT(executor.GPProgram()->ChildCount(), 0);
  executor.GPProgram()->Child(0)->SetInstruction(nullptr);
  EXPECT_TRUE(RefusedSave(executor));
  for (int i = 0; i < gp.Population()->Count(); ++i) {
    if (gp.Population()->Items(i)->DNA()->ChildCount() == 0) continue;
    gp.Population()->Items(i)->DNA()->Child(0)->SetInstruction(nullptr);
    EXPECT_TRUE(RefusedSave(gp));
    return;
  }
  FAIL() << "no program with a function";
}

// Documents that cannot load raise naming the element and the value, and change nothing.
TEST(GPDocumentTest, BadDocumentsChangeNothingAndNameThePlace) {
  TKXGeneticProgramming gp;
  Evolved(gp);
  TKXGeneticProgrammingExecutor executor;
  executor.Assign(&gp);
  const std::string saved = Saved(gp);
  const std::string savedProgram = Saved(executor);
  // The component reads the population, the executor the fittest individual.
  const struct {
    std::string From, To, Where;
    bool InPopulation;
  } cases[] = {
      {"Instruction=\"x\"", "Instruction=\"pow\"",
       "Unknown instruction \"pow\" at "
       "GeneticProgram/Domain/Population/Individual[12]/DNA/Child[2]",
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
  for (const auto& c : cases) {
    std::string text = saved;
    const std::size_t at = c.InPopulation ? text.rfind(c.From) : text.find(c.From);
    ASSERT_NE(at, std::string::npos) << c.From;
    text.replace(at, c.From.size(), c.To);
    std::stringstream stream(text);
    EXPECT_THAT(
        [&] { c.InPopulation ? gp.LoadFromStream(stream) : executor.LoadFromStream(stream); },
        ::testing::Throws<EKXException>(
            ::testing::Property(&EKXException::what, ::testing::HasSubstr(c.Where))));
    EXPECT_EQ(Saved(gp), saved);
    EXPECT_EQ(Saved(executor), savedProgram);
  }
  std::stringstream malformed("<GeneticProgram><Reproduction></GeneticProgram>");
  EXPECT_THROW(gp.LoadFromStream(malformed), EXMLError);
  EXPECT_THROW(gp.LoadFromFile("/nonexistent/folder/file.xml"), EXMLError);
  // A handler raising while a sound document is applied: the component takes its own back.
  TKXGeneticProgramming other;
  Evolved(other, 5);
  std::stringstream sound(Saved(other));
  gp.SetOnEvaluateFitness(
      [](TKXObject*, TKXIndividual*, TGAFitness&) { throw EGAException("no"); });
  EXPECT_THROW(gp.LoadFromStream(sound), EGAException);
  SetQuadraticFitness(gp);
  EXPECT_EQ(Saved(gp), saved);
}

// Through a file, then streams and a variant component; the loader keeps the settings the
// document does not carry, and its named instructions with their handlers.
TEST(GPDocumentTest, RoundTripThroughAFileStreamsAndAVariantComponent) {
  TKXGeneticProgramming source;
  Evolved(source);
  const std::string file =
      (std::filesystem::temp_directory_path() / "kx_gp_document_test.xml").string();
  source.SaveToFile(file);
  TKXGeneticProgramming target;
  AddArithmetic(*target.Instructions());
  SetQuadraticFitness(target);
  TKXGPInstruction<TGAFloat>* add = target.Instructions()->Items(0);
  target.SetBloatStrategy(bsDepthLimit);
  target.SetTarpeianProbability(0.7);
  target.SetInitialPopulation(55);
  target.LoadFromFile(file);
  std::filesystem::remove(file);
  EXPECT_EQ(Saved(target), Saved(source));
  EXPECT_EQ(target.PreviousGeneration()->Count(), source.Population()->Count());
  EXPECT_EQ(std::tuple(target.BloatStrategy(), target.TarpeianProbability(),
                       target.InitialPopulation(), target.Instructions()->Items(0)),
            std::tuple(bsDepthLimit, 0.7, 55, add));

  std::stringstream stream(Saved(source));
  TKXGeneticProgrammingVariant variant;
  variant.LoadFromStream(stream);
  std::stringstream again(Saved(variant));
  TKXGeneticProgramming back;
  AddArithmetic(*back.Instructions());
  SetQuadraticFitness(back);
  back.LoadFromStream(again);
  EXPECT_EQ(Saved(back), Saved(source));
}

// --- Report --------------------------------------------------------------------------------------

TEST(GPReportTest, DefaultComponentLineByLine) {
  TKXGeneticProgramming gp;
  AddArithmetic(*gp.Instructions());
  AddConstant(*gp.Instructions(), "one", 1.0)->SetComment("the constant 1");
  gp.Instructions()->Items(0)->SetComment("a + b");
  EXPECT_EQ(gp.ToString(),
            "Operating Conditions\n"
            "   Fitness Method = fmMinimize\n"
            "   Crossover Probability = 90.00%\n"
            "   Inversion Probability = 10.00%\n"
            "   Mutation Probability = 1.00%\n"
            "   Mutation Distribution = mmSubtree(33.00%), mmReplacement(0.00%), "
            "mmConstant(0.00%), mmShrink(33.00%), mmHoist(33.00%), mmPoint(0.00%)\n"
            "   Selection Method = smStochasticTournament\n"
            "   Selection Non-terminals Probability = 90.00%\n"
            "   Terminals (2)\n"
            "      x, one (the constant 1)\n"
            "   Functions (3)\n"
            "      add (a + b)\n"
            "      sub\n"
            "      mul\n"
            "Initial Conditions\n"
            "   Population = 100\n"
            "   Initial Tree Depth is based on number of operations\n"
            "   Initialization Method = imFull\n"
            "There are no Termination Conditions\n");
}

TEST(GPReportTest, BloatStrategyDepthAndTerminationConditions) {
  TKXGeneticProgrammingVariant gp;
  gp.SetBloatStrategy(bsDepthLimit);
  gp.SetBloatLimit(17);
  gp.SetInitializationDepth(5);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetMutationWeights({0, 0, 0, 0, 0, 0});
  gp.SetFitnessMethod(fmMaximize);
  gp.SetFitnessCutoff(0.5);
  gp.SetUseFitnessCutoff(true);
  gp.SetUseDiversityLimit(true);
  gp.SetGenerationLimit(50);
  gp.SetUseGenerationLimit(true);
  TKXStringList report;
  gp.Describe(report, "> ");
  EXPECT_THAT(Lines(report),
              ElementsAre("Operating Conditions", "> Fitness Method = fmMaximize",
                          "> Crossover Probability = 90.00%", "> Inversion Probability = 10.00%",
                          "> Mutation Probability = 1.00%",
                          "> Mutation Distribution = mmSubtree(0.00%), mmReplacement(0.00%), "
                          "mmConstant(0.00%), mmShrink(0.00%), mmHoist(0.00%), mmPoint(0.00%)",
                          "> Selection Method = smStochasticTournament",
                          "> Selection Non-terminals Probability = 90.00%",
                          "> Anti-Bloating Strategy = bsDepthLimit", "> Anti-Bloating Limit = 17",
                          "> Terminals (0)", "> > ", "> Functions (0)", "Initial Conditions",
                          "> Population = 100", "> Initial Tree Depth = Max of 5",
                          "> Initialization Method = imRampedHalfAndHalf", "Termination Conditions",
                          "> Fitness >= 0.5", "> Diversity less than 2.00%",
                          "> Maximum number of generations = 50"));
}

}  // namespace
}  // namespace kx::testing
