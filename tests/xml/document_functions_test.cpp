#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "kx/xml/gp_domain_xml.hpp"
#include "xml_test_support.hpp"

namespace kx::test {
namespace {

// One document root's three functions: New creates (and Load expects) NewTag, Get binds GetTag
// (NewTag unless given), and each refuses any other root.
template <class TRoot>
void CheckRoot(const char* NewTag, TXMLDocumentBinding<TRoot> (*New)(),
               TRoot (*Get)(TKXXMLDocument&),
               TXMLDocumentBinding<TRoot> (*Load)(const std::string&),
               const char* GetTag = nullptr) {
  GetTag = GetTag ? GetTag : NewTag;
  SCOPED_TRACE(GetTag);
  TempFolder Folder;
  const std::string Other = Folder.File("other.xml"), File = Folder.File("doc.xml");
  WriteFile(Other, "<Other/>");
  TXMLDocumentBinding<TRoot> Created = New();
  EXPECT_EQ(Created.Root().Node().NodeName(), NewTag);
  EXPECT_EQ(Created.Root().Node(), Created.Document().DocumentElement());
  EXPECT_EQ(Created.Root().Node().OwnerDocument().FirstChild().Attribute("version"), "1.0");
  Created.Document().SaveToFile(File);
  TXMLDocumentBinding<TRoot> Loaded = Load(File);
  EXPECT_EQ(Loaded.Root().Node(), Loaded.Document().DocumentElement());
  EXPECT_EQ(Loaded.Root().Node().NodeName(), NewTag);
  EXPECT_THAT(ErrorOf([&] { Load(Other); }), AllOf(HasSubstr("other.xml"), HasSubstr("\"Other\""),
                                                   HasSubstr(std::string("\"") + NewTag + "\"")));
  TKXXMLDocument Doc, OtherDoc, Empty;
  Doc.LoadFromXML(std::string("<") + GetTag + "/>");
  EXPECT_EQ(Get(Doc).Node(), Doc.DocumentElement());
  OtherDoc.LoadFromFile(Other);
  EXPECT_THROW(Get(OtherDoc), EXMLError);
  EXPECT_THROW(Get(Empty), EXMLError);
}

TEST(DocumentFunctions, NewGetAndLoadBindTheirRootsAndRejectOtherRoots) {
  CheckRoot("GeneticDocument", NewGeneticDocument, GetGeneticDocument, LoadGeneticDocument);
  CheckRoot("GeneticAlgorithm", NewGeneticAlgorithm, GetGeneticAlgorithm, LoadGeneticAlgorithm);
  CheckRoot("GADomain", NewGADomain, GetGADomain, LoadGADomain);
  CheckRoot("GenoType", NewGenoType, GetGenoType, LoadGenoType);
  CheckRoot("Chromosomes", NewChromosomes, GetChromosomes, LoadChromosomes);
  CheckRoot("GeneticProgram", NewGeneticProgram, GetGeneticProgram, LoadGeneticProgram);
  CheckRoot("GPDomain", NewGPDomain, GetGPDomain, LoadGPDomain);
  CheckRoot("GPDomain", NewGPInstructions, GetGPInstructions, LoadGPInstructions, "Instructions");
  CheckRoot("GPDomain", NewGPPopulation, GetGPPopulation, LoadGPPopulation, "Population");
}

TEST(GeneticAlgorithmXml, MissingValuesReadAsEmptyAndDoublesRoundTripExactly) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GeneticAlgorithm><Reproduction><CrossoverMethod/></Reproduction>"
      "<Domain><GenoType><FloatGene><MinValue>-1.5</MinValue></FloatGene></GenoType></Domain>"
      "</GeneticAlgorithm>");
  TXMLGeneticAlgorithm Root = GetGeneticAlgorithm(Doc);
  EXPECT_EQ(Root.Reproduction().CrossoverMethod(), "cmGeneBoundary");
  EXPECT_EQ(Root.Reproduction().SelectionMethod().Method(), "");
  TXMLGenoType GenoType = Root.Domain().GenoType();
  EXPECT_EQ(GenoType.Size(), 0);
  EXPECT_FALSE(GenoType.Node().HasAttribute("Size"));
  TXMLFloatGeneType Gene = GenoType.FloatGene().Items(0);
  EXPECT_EQ(Gene.MinValue() * 10 + Gene.MaxValue(), -15.0);
  Gene.SetMinValue(1.0 / 3.0);
  Gene.SetMaxValue(-1e300);
  EXPECT_EQ(Gene.MinValue(), 1.0 / 3.0);
  EXPECT_EQ(Gene.MaxValue(), -1e300);
  GenoType.SetSize(-3);
  GenoType.Node().SetAttribute("Size", "x");
  EXPECT_THROW(GenoType.Size(), EConvertError);
}

// The fittest individual is a chromosome in GA documents and an individual in GP documents.
TEST(GeneticAlgorithmXml, ElementsAreCastToTheirWrapperTypes) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GeneticAlgorithm><Domain><GenoType><IntegerGene/><Bogus/></GenoType>"
      "<FittestIndividual/></Domain></GeneticAlgorithm>");
  TXMLGADomainType Domain = GetGeneticAlgorithm(Doc).Domain();
  TKXXMLNode Gene = Domain.GenoType().Node().FirstChild();
  EXPECT_EQ(XMLCast<TXMLGeneType>(Gene).Node(), Gene);
  EXPECT_THAT(ErrorOf([&] { XMLCast<TXMLGeneType>(Gene.NextSibling()); }), HasSubstr("\"Bogus\""));
  EXPECT_TRUE(TXMLChromosome::Supports(Domain.FittestIndividual().Node()));
  EXPECT_FALSE(TXMLIndividualType::Supports(Domain.FittestIndividual().Node()));
}

TEST(GPDomainXml, MissingAttributesReadAsEmptyWithoutBeingAdded) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GPDomain><Instructions><Function/><Function Arity='256'/>"
      "<VariantConstant "
      "Name='v'><Value>abc</Value></VariantConstant><FloatConstant/></Instructions>"
      "<Population><Individual><DNA><Child/></DNA></Individual></Population></GPDomain>");
  TXMLGPDomainType Domain = GetGPDomain(Doc);
  TXMLGPInstructions Instructions = Domain.Instructions();
  TXMLFunctionInstructionType Bare = Instructions.Function().Items(0);
  EXPECT_EQ(Bare.Comment() + std::to_string(Bare.Arity()), "0");
  EXPECT_EQ(Bare.Node().AttributeCount(), 0);
  EXPECT_THROW(Instructions.Function().Items(1).Arity(), EConvertError);
  EXPECT_EQ(Instructions.VariantConstant().Items(0).Value(), "abc");
  EXPECT_EQ(Instructions.FloatConstant().Items(0).Value(), "");

  TXMLDnaType Dna = Domain.Population().Items(0).DNA();
  EXPECT_FALSE(Dna.HasInstruction() || !Dna.Instruction().empty());
  EXPECT_TRUE(TXMLIndividualType::Supports(Domain.FittestIndividual().Node()));
}

TEST(GeneticProgramXml, MissingReproductionNamesReadAsTheirDefaults) {
  auto Doc = NewGeneticProgram();
  TXMLGPReproductionType R = Doc->Reproduction();
  EXPECT_EQ(
      R.CrossoverMethod() + R.InitializationMethod() + R.MutationMethod() + R.PointMutationMethod(),
      "cmSubtreeimFullmmSubtreepmmPerNode");
}

}  // namespace
}  // namespace kx::test
