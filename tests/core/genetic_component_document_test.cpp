#include "core/core_test_support.hpp"
#include "kx/host/streaming.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_node.hpp"
#include "xml/xml_test_support.hpp"

namespace kx {
namespace {

using test::TempFolder;
using testing::StreamText;
using testing::TValueComponent;

// The header fields in their fixed order, the statistics last; the fitness method by name.
TEST(GeneticComponentDocument, HeaderIsWrittenInItsFixedOrder) {
  TValueComponent component;
  component.SetValues({1, 2, 6});
  TXMLDocumentBinding<TXMLGeneticDocumentType> doc = NewGeneticDocument();
  component.SaveToXML(doc.Root());
  std::string actual;
  for (const std::string& tag : test::ChildTags(doc.Root().Node())) {
    actual += tag + "=" + std::string(ElementText(doc.Root().Node().Child(tag.c_str()))) + " ";
  }
  EXPECT_EQ(actual,
            "DiversityLimit=0.0199999995529652 FitnessCutoff=1 FitnessMethod=fmMinimize "
            "Generation=0 UseDiversityLimit=false UseFitnessCutoff=false GenerationLimit=0 "
            "UseGenerationLimit=false AvgFitness=3 MaxFitness=6 MinFitness=1 ");
}

// Every setting differs from the target's, so the same text shows each was read (a
// whole-document load also puts back the statistics); the diversity limit comes back as the
// nearest single; files go through the same streams.
TEST(GeneticComponentDocument, HeaderRoundTripsThroughStreamsAndFiles) {
  TValueComponent source, target;
  source.SetDiversityLimit(0.3);
  source.SetFitnessCutoff(12.5);
  source.SetFitnessMethod(fmWeightedMaximize);
  source.SetGeneration(17);
  source.SetUseDiversityLimit(true);
  source.SetUseFitnessCutoff(true);
  source.SetGenerationLimit(250);
  source.SetUseGenerationLimit(true);
  source.SetValues({4, 8});
  std::stringstream stream, again;
  source.SaveToStream(stream);
  EXPECT_NE(stream.str().find("<GeneticDocument>\n  <DiversityLimit>"), std::string::npos);
  target.SetValues({100});
  target.LoadFromStream(stream);
  EXPECT_EQ(target.DiversityLimit(), static_cast<double>(0.3f));
  target.SaveToStream(again);
  EXPECT_EQ(again.str(), stream.str());
  TempFolder folder;
  source.SaveToFile(folder.File("run.xml"));
  TKXCustomGeneticComponent fromFile;
  fromFile.LoadFromFile(folder.File("run.xml"));
  EXPECT_EQ(fromFile.GenerationLimit(), 250);
}

// Missing elements read as 0 or false through the setters (a limit of 0 becomes 1, but one
// that is still 0 stays 0); the fitness method changes only for a value name, in any letter
// case; fields are read in order, so those before a bad number keep their new values; a
// document of another root or a missing file changes nothing.
TEST(GeneticComponentDocument, MissingElementsReadAsZeroAndBadInputStopsAtTheFirstBadField) {
  TKXXMLDocument doc;
  doc.LoadFromXML("<GeneticDocument><FitnessCutoff>2</FitnessCutoff></GeneticDocument>");
  const TXMLGeneticDocumentType root = GetGeneticDocument(doc);
  TKXCustomGeneticComponent limited, fresh;
  limited.SetDiversityLimit(0.3);
  limited.SetFitnessMethod(fmWeightedMaximize);
  limited.SetGenerationLimit(250);
  limited.SetUseGenerationLimit(true);
  limited.LoadFromXML(root);
  EXPECT_EQ(limited.DiversityLimit(), 0);
  EXPECT_EQ(limited.FitnessCutoff(), 2);
  EXPECT_EQ(limited.FitnessMethod(), fmWeightedMaximize);
  EXPECT_FALSE(limited.UseGenerationLimit());
  EXPECT_EQ(limited.GenerationLimit(), 1);
  fresh.LoadFromXML(root);
  EXPECT_EQ(fresh.GenerationLimit(), 0);
  for (const char* name : {"FMWEIGHTEDMINIMIZE", "fmNothing", "1", " fmMinimize"}) {
    root.SetFitnessMethod(name);
    fresh.LoadFromXML(root);
  }
  EXPECT_EQ(fresh.FitnessMethod(), fmWeightedMinimize);

  std::istringstream otherRoot("<GeneticAlgorithm><Generation>5</Generation></GeneticAlgorithm>");
  EXPECT_THROW(fresh.LoadFromStream(otherRoot), EXMLError);
  EXPECT_THROW(fresh.LoadFromFile(TempFolder().File("missing.xml")), EXMLError);
  EXPECT_EQ(fresh.Generation(), 0);
  doc.LoadFromXML(
      "<GeneticDocument><DiversityLimit>7</DiversityLimit><FitnessCutoff>-3</FitnessCutoff>"
      "<Generation>many</Generation><GenerationLimit>9</GenerationLimit></GeneticDocument>");
  EXPECT_THROW(fresh.LoadFromXML(GetGeneticDocument(doc)), EConvertError);
  EXPECT_EQ(fresh.DiversityLimit(), 1);  // clamped
  EXPECT_EQ(fresh.FitnessCutoff(), -3);
  EXPECT_EQ(fresh.GenerationLimit(), 0);  // after the failure: not reached
}

// SaveToFile writes through the subclass's stream, and a save failing halfway keeps the old
// file.
TEST(GeneticComponentDocument, SaveToFileWritesTheSubclassStreamAndKeepsTheOldFileOnFailure) {
  struct TCustomStream : TKXCustomGeneticComponent {
    int Saves = 0;
    void SaveToStream(std::ostream& Stream) override {
      Stream << "<custom>";
      if (Saves++ > 0) throw std::runtime_error("disk full");
      Stream << "</custom>";
    }
  } component;
  TempFolder folder;
  component.SaveToFile(folder.File("run.xml"));
  EXPECT_THROW(component.SaveToFile(folder.File("run.xml")), std::runtime_error);
  EXPECT_EQ(test::ReadFile(folder.File("run.xml")), "<custom></custom>");
}

// --- Component streams ---------------------------------------------------------------

// Defaults are not written, the population always is; changed float settings come last, in
// their fixed order, written exactly, and read back to the same text.
TEST(GeneticComponentStreaming, ChangedSettingsRoundTripWithTheFloatEntriesLastInTheirOrder) {
  TKXCustomGeneticComponent component, copy;
  EXPECT_EQ(StreamText(component),
            "object : TKXCustomGeneticComponent\n  Population = <\n  >\nend\n");
  component.SetMutationProbability(0);
  component.SetInversionProbability(0.25);
  component.SetCrossoverProbability(0.5);
  component.SetElitistPct(0.125);
  component.SetDiversityLimit(0.75);
  component.SetFitnessCutoff(-2.5);
  component.SetTournamentField(4);
  component.SetSelectionMethod(smElitist);
  component.SetOperations({goCrossover, goInvert});
  const std::string text = StreamText(component);
  EXPECT_TRUE(text.ends_with(
      "  FitnessCutoff = -2.5\n  DiversityLimit = 0.75\n  ElitistPct = 0.125\n"
      "  CrossoverProbability = 0.5\n  InversionProbability = 0.25\n  MutationProbability = 0\n"
      "end\n"))
      << text;
  std::stringstream stream(text);
  ReadComponent(stream, copy);
  EXPECT_EQ(StreamText(copy), text);
}

TEST(GeneticComponentStreaming, EntriesAreAppliedThroughTheClampingSetters) {
  std::istringstream stream(
      "object C: TKXCustomGeneticComponent\n  MutationProbability = 3\n"
      "  TournamentField = 1\nend\n");
  TKXCustomGeneticComponent component;
  ReadComponent(stream, component);
  EXPECT_EQ(component.MutationProbability(), 1);
  EXPECT_EQ(component.TournamentField(), 2);
  std::istringstream bad(
      "object C: TKXCustomGeneticComponent\n  FitnessMethod = fmSideways\nend\n");
  EXPECT_THROW(ReadComponent(bad, component), EConvertError);
}

// --- The report ----------------------------------------------------------------------

TEST(GeneticComponentReport, DefaultReport) {
  EXPECT_EQ(TKXCustomGeneticComponent().ToString(),
            "Operating Conditions\n"
            "   Fitness Method = fmMinimize\n"
            "   Crossover Probability = 98.00%\n"
            "   Inversion Probability = 10.00%\n"
            "   Mutation Probability = 1.00%\n"
            "   Selection Method = smStochasticTournament\n"
            "Initial Conditions\n"
            "   Population = 100\n"
            "There are no Termination Conditions\n");
}

// Every termination line in its fixed order, percentages rounded to two significant digits,
// the configured population size rather than the current count, and the caller's indent on
// the indented lines only.
TEST(GeneticComponentReport, DescribeAppendsEveryConditionWithTheCallersIndent) {
  TValueComponent component;
  component.SetValues({1, 2, 3});
  component.SetInitialPopulation(7);
  component.SetFitnessMethod(fmWeightedMaximize);
  component.SetSelectionMethod(smElitist);
  component.SetMutationProbability(0.123);
  component.SetCrossoverProbability(1.0 / 3.0);
  component.SetInversionProbability(0.005);
  component.SetUseGenerationLimit(true);
  component.SetGenerationLimit(50);
  component.SetUseDiversityLimit(true);
  component.SetDiversityLimit(0.0456);
  component.SetUseFitnessCutoff(true);
  component.SetFitnessCutoff(0.5);
  TKXStringList lines;
  lines.Add("Report");
  component.Describe(lines, "\t");
  EXPECT_EQ(lines.Text(),
            "Report\nOperating Conditions\n\tFitness Method = fmWeightedMaximize\n"
            "\tCrossover Probability = 33.00%\n\tInversion Probability = 0.50%\n"
            "\tMutation Probability = 12.00%\n\tSelection Method = smElitist\n"
            "Initial Conditions\n\tPopulation = 7\n"
            "Termination Conditions\n\tFitness >= 0.5\n\tDiversity less than 4.60%\n"
            "\tMaximum number of generations = 50\n");

  component.SetFitnessMethod(fmWeightedMinimize);
  component.SetFitnessCutoff(0.1234567890123456);
  EXPECT_NE(component.ToString().find("\n   Fitness <= 0.123456789012346\n"), std::string::npos);
}

}  // namespace
}  // namespace kx
