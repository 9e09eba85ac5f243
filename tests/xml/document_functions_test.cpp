#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "kx/host/exceptions.hpp"
#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "kx/xml/gp_domain_xml.hpp"
#include "kx/xml/xml_error.hpp"
#include "xml_test_support.hpp"

namespace kx {
namespace {

using test::ErrorOf;
using test::TempFolder;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::HasSubstr;

// A document with the root element a document function bound.
struct TBound {
  std::unique_ptr<TKXXMLDocument> Document;
  TKXXMLNode Root;
};

// One document root: its three functions seen through the root element they bind.
struct TRootFunctions {
  const char* NewRootTag;  // the root New creates and Load expects
  const char* GetRootTag;  // the root Get expects
  std::function<TBound()> New;
  std::function<TKXXMLNode(TKXXMLDocument&)> Get;
  std::function<TBound(const std::string&)> Load;
};

template <class TRoot>
TRootFunctions Functions(const char* NewRootTag, const char* GetRootTag,
                         TXMLDocumentBinding<TRoot> (*New)(), TRoot (*Get)(TKXXMLDocument&),
                         TXMLDocumentBinding<TRoot> (*Load)(const std::string&)) {
  auto Bind = [](TXMLDocumentBinding<TRoot> Binding) {
    TKXXMLNode Root = Binding.Root().Node();
    return TBound{Binding.ReleaseDocument(), Root};
  };
  return {NewRootTag, GetRootTag, [=] { return Bind(New()); },
          [=](TKXXMLDocument& Doc) { return Get(Doc).Node(); },
          [=](const std::string& FileName) { return Bind(Load(FileName)); }};
}

TEST(DocumentFunctions, NewGetAndLoadBindTheirRootsAndRejectOtherRoots) {
  const TRootFunctions Roots[] = {
      Functions("GeneticDocument", "GeneticDocument", NewGeneticDocument, GetGeneticDocument,
                LoadGeneticDocument),
      Functions("GeneticAlgorithm", "GeneticAlgorithm", NewGeneticAlgorithm, GetGeneticAlgorithm,
                LoadGeneticAlgorithm),
      Functions("GADomain", "GADomain", NewGADomain, GetGADomain, LoadGADomain),
      Functions("GenoType", "GenoType", NewGenoType, GetGenoType, LoadGenoType),
      Functions("Chromosomes", "Chromosomes", NewChromosomes, GetChromosomes, LoadChromosomes),
      Functions("GeneticProgram", "GeneticProgram", NewGeneticProgram, GetGeneticProgram,
                LoadGeneticProgram),
      Functions("GPDomain", "GPDomain", NewGPDomain, GetGPDomain, LoadGPDomain),
      Functions("GPDomain", "Instructions", NewGPInstructions, GetGPInstructions,
                LoadGPInstructions),
      Functions("GPDomain", "Population", NewGPPopulation, GetGPPopulation, LoadGPPopulation)};
  TempFolder Folder;
  const std::string Other = Folder.File("other.xml");
  WriteFile(Other, "<Other/>");
  TKXXMLDocument OtherDoc;
  OtherDoc.LoadFromFile(Other);
  TKXXMLDocument Empty;
  for (const TRootFunctions& Root : Roots) {
    SCOPED_TRACE(Root.GetRootTag);
    TBound Created = Root.New();
    EXPECT_EQ(Created.Root.NodeName(), Root.NewRootTag);
    EXPECT_EQ(Created.Root, Created.Document->DocumentElement());
    EXPECT_EQ(Created.Root.OwnerDocument().FirstChild().Attribute("version"), "1.0");

    const std::string File = Folder.File(std::string(Root.GetRootTag) + ".xml");
    Created.Document->SaveToFile(File);
    TBound Loaded = Root.Load(File);
    EXPECT_EQ(Loaded.Root.NodeName(), Root.NewRootTag);
    EXPECT_EQ(Loaded.Root, Loaded.Document->DocumentElement());
    EXPECT_THAT(ErrorOf([&] { Root.Load(Other); }),
                AllOf(HasSubstr("other.xml"), HasSubstr("\"Other\""),
                      HasSubstr(std::string("\"") + Root.NewRootTag + "\"")));

    TKXXMLDocument Doc;
    Doc.LoadFromXML(std::string("<") + Root.GetRootTag + "/>");
    EXPECT_EQ(Root.Get(Doc), Doc.DocumentElement());
    EXPECT_THROW(Root.Get(OtherDoc), EXMLError);
    EXPECT_THROW(Root.Get(Empty), EXMLError);
  }
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
  EXPECT_EQ(Gene.MinValue(), -1.5);
  EXPECT_EQ(Gene.MaxValue(), 0.0);

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
  EXPECT_EQ(Bare.Comment(), "");
  EXPECT_EQ(Bare.Arity(), 0);
  EXPECT_EQ(Bare.Node().AttributeCount(), 0);
  EXPECT_THROW(Instructions.Function().Items(1).Arity(), EConvertError);
  EXPECT_EQ(Instructions.VariantConstant().Items(0).Value(), "abc");
  EXPECT_EQ(Instructions.FloatConstant().Items(0).Value(), "");

  TXMLDnaType Dna = Domain.Population().Items(0).DNA();
  EXPECT_EQ(Dna.Instruction(), "");
  EXPECT_FALSE(Dna.HasInstruction());
  EXPECT_TRUE(TXMLIndividualType::Supports(Domain.FittestIndividual().Node()));
}

TEST(GeneticProgramXml, MissingReproductionNamesReadAsTheirDefaults) {
  auto Doc = NewGeneticProgram();
  TXMLGPReproductionType Reproduction = Doc->Reproduction();
  EXPECT_EQ(Reproduction.CrossoverMethod(), "cmSubtree");
  EXPECT_EQ(Reproduction.InitializationMethod(), "imFull");
  EXPECT_EQ(Reproduction.MutationMethod(), "mmSubtree");
  EXPECT_EQ(Reproduction.PointMutationMethod(), "pmmPerNode");
}

}  // namespace
}  // namespace kx
