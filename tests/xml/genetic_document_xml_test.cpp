#include "kx/xml/genetic_document_xml.hpp"

#include <limits>

#include "xml_test_support.hpp"

namespace kx::test {
namespace {

// A GeneticDocument whose root holds the given children.
TXMLDocumentBinding<TXMLGeneticDocumentType> DocumentWith(const std::string& Children) {
  auto Doc = std::make_unique<TKXXMLDocument>();
  Doc->LoadFromXML("<GeneticDocument>" + Children + "</GeneticDocument>");
  TXMLGeneticDocumentType Root = GetGeneticDocument(*Doc);
  return {std::move(Doc), Root};
}

TEST(GeneticDocumentXml, ElementsFollowTheOrderOfFirstAccess) {
  auto Doc = NewGeneticDocument();
  const TXMLGeneticDocumentType& Root = Doc.Root();
  // The order in which the component writes its header.
  Root.SetDiversityLimit(0.02f);
  Root.SetFitnessCutoff(1.0f);
  Root.SetFitnessMethod("fmMinimize");
  Root.SetGeneration(0);
  Root.SetUseFitnessCutoff(false);
  Root.SetGenerationLimit(0);
  Root.SetMinFitness(0.5f);
  // Rewriting and reading an existing element does not move it.
  Root.SetDiversityLimit(0.5f);
  EXPECT_EQ(Root.MinFitness(), 0.5f);
  EXPECT_THAT(ChildTags(Root.Node()),
              ElementsAre("DiversityLimit", "FitnessCutoff", "FitnessMethod", "Generation",
                          "UseFitnessCutoff", "GenerationLimit", "MinFitness"));
  EXPECT_EQ(NodeToXML(Root.Node().Child("UseFitnessCutoff")),
            "<UseFitnessCutoff>false</UseFitnessCutoff>");
  // Child elements nest their own members in the same way.
  TXMLReproductionType Reproduction(Doc->ChildElement("Reproduction"));
  Reproduction.SetCrossoverProbability(0.98f);
  Reproduction.SelectionMethod().SetMethod("smTournament");
  Reproduction.SelectionMethod().SetTournamentField(7);
  Reproduction.SetMutationProbability(0.01f);
  EXPECT_THAT(ChildTags(Reproduction.Node()),
              ElementsAre("CrossoverProbability", "SelectionMethod", "MutationProbability"));
  EXPECT_THAT(ChildTags(Reproduction.SelectionMethod().Node()),
              ElementsAre("Method", "TournamentField"));
}

TEST(GeneticDocumentXml, ReadingAMissingValueAddsAnEmptyElement) {
  auto Doc = DocumentWith("<FitnessMethod>fmMaximize</FitnessMethod>");
  EXPECT_EQ(Doc->Generation(), 0);
  EXPECT_EQ(Doc->DiversityLimit(), 0.0f);
  EXPECT_FALSE(Doc->UseFitnessCutoff());
  EXPECT_EQ(Doc->GenerationLimit(), 0u);
  EXPECT_EQ(Doc->FitnessMethod(), "fmMaximize");
  EXPECT_THAT(ChildTags(Doc->Node()), ElementsAre("FitnessMethod", "Generation", "DiversityLimit",
                                                  "UseFitnessCutoff", "GenerationLimit"));
  EXPECT_EQ(NodeToXML(Doc->Node().Child("Generation")), "<Generation/>");
  auto Blank = DocumentWith("<Generation>  </Generation><FitnessCutoff></FitnessCutoff>");
  EXPECT_EQ(Blank->Generation(), 0);
  EXPECT_EQ(Blank->FitnessCutoff(), 0.0f);
}

TEST(GeneticDocumentXml, BooleansAreTrueOnlyForTrueInAnyCase) {
  for (const char* Text : {"true", "TRUE", "tRuE", "1", "yes", "", " true", "truex", "-1"}) {
    auto Doc = DocumentWith(std::string("<UseFitnessCutoff>") + Text + "</UseFitnessCutoff>");
    EXPECT_EQ(Doc->UseFitnessCutoff(), SameText(Text, "true")) << Text;
  }
}

TEST(GeneticDocumentXml, SingleFloatsAreNarrowedAndIgnoreTheDecimalSeparator) {
  auto Doc = NewGeneticDocument();
  Doc->SetDiversityLimit(static_cast<float>(0.02));
  EXPECT_EQ(ElementText(Doc->Node().Child("DiversityLimit")), std::string("0.0199999995529652"));
  EXPECT_EQ(Doc->DiversityLimit(), 0.02f);
  // A text with more precision than a float holds is narrowed on reading.
  auto Read = DocumentWith("<FitnessCutoff>0.1</FitnessCutoff><MinFitness>1e300</MinFitness>");
  EXPECT_EQ(Read->FitnessCutoff(), 0.1f);
  EXPECT_EQ(Read->MinFitness(), std::numeric_limits<float>::infinity());
  testing::SeparatorGuard Comma(',');
  Doc->SetFitnessCutoff(0.5f);
  EXPECT_EQ(ElementText(Doc->Node().Child("FitnessCutoff")), std::string("0.5"));
  EXPECT_EQ(Doc->FitnessCutoff(), 0.5f);
}

TEST(GeneticDocumentXml, NumbersThatDoNotConvertRaiseAndTheGenerationLimitKeepsItsLow32Bits) {
  auto Doc = DocumentWith(
      "<Generation>abc</Generation><DiversityLimit>0,5</DiversityLimit>"
      "<GenerationLimit>12x</GenerationLimit><MaxFitness>1.5.2</MaxFitness>");
  EXPECT_THAT(ErrorOf<EConvertError>([&] { Doc->Generation(); }),
              AllOf(HasSubstr("abc"), HasSubstr("\"Generation\"")));
  EXPECT_THROW(Doc->DiversityLimit(), EConvertError);
  EXPECT_THROW(Doc->GenerationLimit(), EConvertError);
  EXPECT_THROW(Doc->MaxFitness(), EConvertError);
  // A 32-bit integer that overflows does not wrap.
  EXPECT_THROW(DocumentWith("<Generation>2147483648</Generation>")->Generation(), EConvertError);
  // The unsigned generation limit is read as 64 bits and truncated to its low 32 bits.
  EXPECT_EQ(DocumentWith("<GenerationLimit>4294967297</GenerationLimit>")->GenerationLimit(), 1u);
  EXPECT_EQ(DocumentWith("<GenerationLimit>-1</GenerationLimit>")->GenerationLimit(), 4294967295u);
  auto Written = NewGeneticDocument();
  Written->SetGenerationLimit(4000000000u);
  EXPECT_EQ(ElementText(Written->Node().Child("GenerationLimit")), std::string("4000000000"));
  EXPECT_EQ(Written->GenerationLimit(), 4000000000u);
}

// Strings replace the whole content; a wrapper bound to nothing raises instead of crashing.
TEST(GeneticDocumentXml, StringsReplaceTheWholeContentAndUnboundWrappersRaise) {
  auto Doc = DocumentWith("<FitnessMethod>a<b><c/></b>d<![CDATA[e]]></FitnessMethod><Other/>");
  Doc->SetFitnessMethod("fmWeightedMaximize");
  EXPECT_EQ(NodeToXML(Doc->Node().Child("FitnessMethod")),
            "<FitnessMethod>fmWeightedMaximize</FitnessMethod>");
  TXMLGeneticDocumentType Unbound;
  EXPECT_FALSE(Unbound);
  EXPECT_THROW(Unbound.Generation(), EXMLError);
  EXPECT_THROW(Unbound.SetFitnessMethod("x"), EXMLError);
}

}  // namespace
}  // namespace kx::test
