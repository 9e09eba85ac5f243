#include "core/core_test_support.hpp"
#include "kx/host/streaming.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::testing {
namespace {

using test::TempFolder;

// The header fields are written in their fixed order, the statistics last. Every setting
// differs from the target's, so the same text shows each was read (a whole-document load also
// puts back the statistics); the diversity limit comes back as the
// nearest single; files go through the same streams.
TEST(GeneticComponentDocument, HeaderIsWrittenInItsFixedOrderAndRoundTrips) {
  TValueComponent source, target, fromFile;
  SetAll(source, &TComp::SetFitnessMethod, fmWeightedMaximize, &TComp::SetDiversityLimit, 0.3,
         &TComp::SetFitnessCutoff, 12.5, &TComp::SetGenerationLimit, 250, &TComp::SetGeneration, 17,
         &TComp::SetUseFitnessCutoff, true, &TComp::SetUseDiversityLimit, true,
         &TComp::SetUseGenerationLimit, true);
  source.SetValues({4, 8});
  std::stringstream stream, again;
  source.SaveToStream(stream);
  EXPECT_EQ(
      stream.str(),
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GeneticDocument>\n  "
      "<DiversityLimit>0.300000011920929</DiversityLimit>\n"
      "  <FitnessCutoff>12.5</FitnessCutoff>\n  <FitnessMethod>fmWeightedMaximize</FitnessMethod>\n"
      "  <Generation>17</Generation>\n  <UseDiversityLimit>true</UseDiversityLimit>\n"
      "  <UseFitnessCutoff>true</UseFitnessCutoff>\n  <GenerationLimit>250</GenerationLimit>\n"
      "  <UseGenerationLimit>true</UseGenerationLimit>\n  <AvgFitness>6</AvgFitness>\n"
      "  <MaxFitness>8</MaxFitness>\n  <MinFitness>4</MinFitness>\n</GeneticDocument>\n");
  target.SetValues({100});
  target.LoadFromStream(stream);
  target.SaveToStream(again);
  EXPECT_EQ(again.str(), stream.str());
  TempFolder folder;
  source.SaveToFile(folder.File("run.xml"));
  fromFile.LoadFromFile(folder.File("run.xml"));
  EXPECT_EQ(fromFile.GenerationLimit(), 250);
}

// Missing elements read as 0 or false through the setters (a limit of 0 becomes 1, but one
// that is still 0 stays 0); the fitness method changes only for a value name, in any letter
// case; fields are read in order, so those before a bad number keep their new values; a
// document of another root or a missing file changes nothing.
TEST(GeneticComponentDocument, BadFieldsStreamEntriesAndTheReportFollowTheSettings) {
  TKXXMLDocument doc;
  doc.LoadFromXML("<GeneticDocument><FitnessCutoff>2</FitnessCutoff></GeneticDocument>");
  const TXMLGeneticDocumentType root = GetGeneticDocument(doc);
  TKXCustomGeneticComponent limited, fresh;
  SetAll(limited, &TComp::SetFitnessMethod, fmWeightedMaximize, &TComp::SetDiversityLimit, 0.3,
         &TComp::SetGenerationLimit, 250, &TComp::SetUseGenerationLimit, true);
  limited.LoadFromXML(root);
  EXPECT_EQ(std::tuple(limited.DiversityLimit(), limited.FitnessCutoff(), limited.FitnessMethod(),
                       limited.UseGenerationLimit(), limited.GenerationLimit()),
            std::tuple(0.0, 2.0, fmWeightedMaximize, false, 1));
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
  // The diversity limit clamped; the generation limit after the failure not reached.
  EXPECT_EQ(std::tuple(fresh.DiversityLimit(), fresh.FitnessCutoff(), fresh.GenerationLimit()),
            std::tuple(1.0, -3.0, 0));
  // --- Component streams ---------------------------------------------------------------
  // Defaults are not written, the population always is; changed float settings come last, in
  // their fixed order, written exactly, and read back to the same text.
  TKXCustomGeneticComponent component, copy;
  EXPECT_EQ(StreamText(component),
            "object : TKXCustomGeneticComponent\n  Population = <\n  >\nend\n");
  SetAll(component, &TComp::SetSelectionMethod, smElitist, &TComp::SetCrossoverProbability, 0.5,
         &TComp::SetMutationProbability, 0, &TComp::SetInversionProbability, 0.25,
         &TComp::SetElitistPct, 0.125, &TComp::SetDiversityLimit, 0.75, &TComp::SetFitnessCutoff,
         -2.5, &TComp::SetTournamentField, 4);
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
  // --- The report ----------------------------------------------------------------------
  // The default report (no termination conditions); then every termination line in its fixed
  // order, percentages rounded to two significant digits, the configured population size rather
  // than the current count, and the caller's indent on the indented lines only.
  TValueComponent report;
  EXPECT_EQ(report.ToString(),
            "Operating Conditions\n   Fitness Method = fmMinimize\n   Crossover Probability = "
            "98.00%\n   Inversion Probability = 10.00%\n   Mutation Probability = 1.00%\n   "
            "Selection Method = smStochasticTournament\nInitial Conditions\n   Population = 100\n"
            "There are no Termination Conditions\n");
  SetAll(report, &TComp::SetFitnessMethod, fmWeightedMaximize, &TComp::SetSelectionMethod,
         smElitist, &TComp::SetCrossoverProbability, 1.0 / 3.0, &TComp::SetMutationProbability,
         0.123, &TComp::SetInversionProbability, 0.005, &TComp::SetDiversityLimit, 0.0456,
         &TComp::SetFitnessCutoff, 0.5, &TComp::SetInitialPopulation, 7, &TComp::SetGenerationLimit,
         50, &TComp::SetUseFitnessCutoff, true, &TComp::SetUseDiversityLimit, true,
         &TComp::SetUseGenerationLimit, true);
  report.SetValues({1, 2, 3});
  TKXStringList lines;
  lines.Add("Report");
  report.Describe(lines, "\t");
  EXPECT_EQ(lines.Text(),
            "Report\nOperating Conditions\n\tFitness Method = fmWeightedMaximize\n"
            "\tCrossover Probability = 33.00%\n\tInversion Probability = 0.50%\n"
            "\tMutation Probability = 12.00%\n\tSelection Method = smElitist\n"
            "Initial Conditions\n\tPopulation = 7\n"
            "Termination Conditions\n\tFitness >= 0.5\n\tDiversity less than 4.60%\n"
            "\tMaximum number of generations = 50\n");

  SetAll(report, &TComp::SetFitnessMethod, fmWeightedMinimize, &TComp::SetFitnessCutoff,
         0.1234567890123456);
  EXPECT_NE(report.ToString().find("\n   Fitness <= 0.123456789012346\n"), std::string::npos);
}

}  // namespace
}  // namespace kx::testing
