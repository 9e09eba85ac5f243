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

using test::ChildTags;
using test::ErrorOf;
using test::TempFolder;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A document with the root element a document function bound.
struct TBound {
  std::unique_ptr<TKXXMLDocument> Document;
  pugi::xml_node Root;
};

// One document root: its three functions seen through the root element they bind.
struct TRootFunctions {
  const char* Name;
  const char* NewRootTag;  // the root New creates and Load expects
  const char* GetRootTag;  // the root Get expects
  std::function<TBound()> New;
  std::function<pugi::xml_node(TKXXMLDocument&)> Get;
  std::function<TBound(const std::string&)> Load;
};

template <class TRoot>
TRootFunctions Functions(const char* Name, const char* NewRootTag, const char* GetRootTag,
                         TXMLDocumentBinding<TRoot> (*New)(), TRoot (*Get)(TKXXMLDocument&),
                         TXMLDocumentBinding<TRoot> (*Load)(const std::string&)) {
  auto Bind = [](TXMLDocumentBinding<TRoot> Binding) {
    pugi::xml_node Root = Binding.Root().Node();
    return TBound{Binding.ReleaseDocument(), Root};
  };
  return {Name,
          NewRootTag,
          GetRootTag,
          [=] { return Bind(New()); },
          [=](TKXXMLDocument& Doc) { return Get(Doc).Node(); },
          [=](const std::string& FileName) { return Bind(Load(FileName)); }};
}

std::vector<TRootFunctions> AllRoots() {
  return {Functions("GeneticDocument", "GeneticDocument", "GeneticDocument", NewGeneticDocument,
                    GetGeneticDocument, LoadGeneticDocument),
          Functions("GeneticAlgorithm", "GeneticAlgorithm", "GeneticAlgorithm", NewGeneticAlgorithm,
                    GetGeneticAlgorithm, LoadGeneticAlgorithm),
          Functions("GADomain", "GADomain", "GADomain", NewGADomain, GetGADomain, LoadGADomain),
          Functions("GenoType", "GenoType", "GenoType", NewGenoType, GetGenoType, LoadGenoType),
          Functions("Chromosomes", "Chromosomes", "Chromosomes", NewChromosomes, GetChromosomes,
                    LoadChromosomes),
          Functions("GeneticProgram", "GeneticProgram", "GeneticProgram", NewGeneticProgram,
                    GetGeneticProgram, LoadGeneticProgram),
          Functions("GPDomain", "GPDomain", "GPDomain", NewGPDomain, GetGPDomain, LoadGPDomain),
          Functions("GPInstructions", "GPDomain", "Instructions", NewGPInstructions,
                    GetGPInstructions, LoadGPInstructions),
          Functions("GPPopulation", "GPDomain", "Population", NewGPPopulation, GetGPPopulation,
                    LoadGPPopulation)};
}

TEST(DocumentFunctions, NewGetAndLoadBindTheirRoots) {
  TempFolder Folder;
  for (const TRootFunctions& Root : AllRoots()) {
    SCOPED_TRACE(Root.Name);
    TBound Created = Root.New();
    EXPECT_STREQ(Created.Root.name(), Root.NewRootTag);
    EXPECT_EQ(Created.Root, Created.Document->DocumentElement());
    EXPECT_STREQ(Created.Root.root().first_child().attribute("version").value(), "1.0");

    const std::string File = Folder.File(std::string(Root.Name) + ".xml");
    Created.Document->SaveToFile(File);
    TBound Loaded = Root.Load(File);
    EXPECT_STREQ(Loaded.Root.name(), Root.NewRootTag);
    EXPECT_EQ(Loaded.Root, Loaded.Document->DocumentElement());

    TKXXMLDocument Doc;
    Doc.LoadFromXML(std::string("<") + Root.GetRootTag + "/>");
    EXPECT_EQ(Root.Get(Doc), Doc.DocumentElement());
  }
}

TEST(DocumentFunctions, ARootOfAnotherTagIsRejected) {
  TempFolder Folder;
  const std::string File = Folder.File("other.xml");
  WriteFile(File, "<Other/>");
  TKXXMLDocument Doc;
  Doc.LoadFromFile(File);
  TKXXMLDocument Empty;
  for (const TRootFunctions& Root : AllRoots()) {
    SCOPED_TRACE(Root.Name);
    EXPECT_THAT(ErrorOf([&] { Root.Load(File); }),
                AllOf(HasSubstr("other.xml"), HasSubstr("\"Other\""),
                      HasSubstr(std::string("\"") + Root.NewRootTag + "\"")));
    EXPECT_THROW(Root.Get(Doc), EXMLError);
    EXPECT_THROW(Root.Get(Empty), EXMLError);
  }
}

TEST(GeneticAlgorithmXml, GenesChromosomesAndValueListsKeepTheWritersOrder) {
  auto Doc = NewGeneticAlgorithm();
  TXMLGenoType GenoType = Doc->Domain().GenoType();
  GenoType.BooleanGene().Add().SetName("flag");
  TXMLIntegerGeneType Count = GenoType.IntegerGene().Add();
  Count.SetName("count");
  Count.SetMaxValue(255);
  Count.SetPreserveSignBit(false);
  TXMLEnumerationGeneType Colour = GenoType.EnumerationGene().Add();
  Colour.Enumeration().Add("red");
  Colour.Enumeration().Add("green");
  GenoType.BooleanGene().Add().SetName("other");
  TXMLChromosome Chromosome = Doc->Domain().Chromosomes().Add();
  Chromosome.SetFitness(0.1f);
  Chromosome.Genes().SetBits("101");
  Chromosome.Genes().IntegerGeneValue().Add(7);
  Chromosome.Genes().FloatGeneValue().Add(2.5f);

  TKXXMLDocument Copy;
  Copy.LoadFromXML(Doc.Document().SaveToXML());
  TXMLGADomainType Read = GetGeneticAlgorithm(Copy).Domain();
  EXPECT_THAT(ChildTags(Read.GenoType().Node()),
              ElementsAre("BooleanGene", "IntegerGene", "EnumerationGene", "BooleanGene"));
  EXPECT_THAT(ChildTags(Read.GenoType().IntegerGene().Items(0).Node()),
              ElementsAre("Name", "MaxValue", "PreserveSignBit"));
  EXPECT_THAT(ChildTags(Read.Chromosomes().Items(0).Genes().Node()),
              ElementsAre("Bits", "IntegerGeneValue", "FloatGeneValue"));
  EXPECT_EQ(Read.GenoType().BooleanGene().Items(1).Name(), "other");
  EXPECT_EQ(Read.GenoType().IntegerGene().Items(0).MaxValue(), 255.0);
  EXPECT_EQ(Read.GenoType().EnumerationGene().Items(0).Enumeration().Items(1), "green");
  TXMLChromosome ReadChromosome = Read.Chromosomes().Items(0);
  EXPECT_EQ(ReadChromosome.Fitness(), 0.1f);
  EXPECT_EQ(ReadChromosome.Genes().Bits(), "101");
  EXPECT_EQ(ReadChromosome.Genes().FloatGeneValue().Items(0), 2.5f);
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
  EXPECT_FALSE(GenoType.Node().attribute("Size"));
  TXMLFloatGeneType Gene = GenoType.FloatGene().Items(0);
  EXPECT_EQ(Gene.MinValue(), -1.5);
  EXPECT_EQ(Gene.MaxValue(), 0.0);
  EXPECT_FALSE(Gene.PreserveSignBit());

  Gene.SetMinValue(1.0 / 3.0);
  Gene.SetMaxValue(-1e300);
  EXPECT_EQ(Gene.MinValue(), 1.0 / 3.0);
  EXPECT_EQ(Gene.MaxValue(), -1e300);
  GenoType.SetSize(-3);
  GenoType.Node().attribute("Size").set_value("x");
  EXPECT_THROW(GenoType.Size(), EConvertError);
}

TEST(GeneticAlgorithmXml, ElementsAreCastToTheirWrapperTypes) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GeneticAlgorithm><Domain><GenoType><IntegerGene/><Bogus/></GenoType>"
      "<FittestIndividual/><Chromosomes><Chromosome/></Chromosomes></Domain>"
      "</GeneticAlgorithm>");
  TXMLGADomainType Domain = GetGeneticAlgorithm(Doc).Domain();
  pugi::xml_node Gene = Domain.GenoType().Node().first_child();
  EXPECT_TRUE(TXMLNumericGeneType::Supports(Gene));
  EXPECT_FALSE(TXMLBooleanGeneType::Supports(Gene));
  EXPECT_EQ(XMLCast<TXMLIntegerGeneType>(Gene).Node(), Gene);
  EXPECT_THAT(ErrorOf([&] { XMLCast<TXMLGeneType>(Gene.next_sibling()); }), HasSubstr("\"Bogus\""));
  EXPECT_TRUE(TXMLChromosome::Supports(Domain.FittestIndividual().Node()));
  EXPECT_FALSE(TXMLIndividualType::Supports(Domain.FittestIndividual().Node()));
}

TEST(GPDomainXml, InstructionListsAndProgramTrees) {
  auto Doc = NewGPDomain();
  TXMLGPInstructions Instructions = Doc->Instructions();
  TXMLFunctionInstructionType Add = Instructions.Function().Add();
  Add.SetName("Add");
  Add.SetComment("a + b");
  Add.SetArity(2);
  Instructions.Variable().Add().SetName("x");
  TXMLFunctionInstructionType Wide = Instructions.Function().Add();
  Wide.SetArity(static_cast<std::uint8_t>(300));

  TXMLIndividualType Individual = Doc->Population().Add();
  Individual.SetName("p1");
  Individual.SetFitness(0.1f);
  TXMLDnaType Dna = Individual.DNA();
  Dna.SetInstruction("Add");
  Dna.Child().Add().SetInstruction("x");
  TXMLDnaType Leaf = Dna.Child().Add();
  Leaf.SetInstruction("one");
  Leaf.SetValue("1");

  EXPECT_THAT(ChildTags(Doc->Node()), ElementsAre("Instructions", "Population"));
  EXPECT_THAT(ChildTags(Instructions.Node()), ElementsAre("Function", "Variable", "Function"));
  EXPECT_EQ(NodeToXML(Add.Node()), "<Function Name=\"Add\" Comment=\"a + b\" Arity=\"2\"/>");
  EXPECT_EQ(NodeToXML(Individual.Node()),
            "<Individual><Name>p1</Name><Fitness>0.100000001490116</Fitness>"
            "<DNA Instruction=\"Add\"><Child Instruction=\"x\"/>"
            "<Child Instruction=\"one\"><Value>1</Value></Child></DNA></Individual>");
  EXPECT_EQ(Wide.Arity(), 44);

  auto Variables = NewGPInstructions();
  Variables->Variable().Add().SetName("x");
  EXPECT_EQ(NodeToXML(Variables->Node()), "<GPDomain><Variable Name=\"x\"/></GPDomain>");
  auto Population = NewGPPopulation();
  Population->Add().SetName("p");
  EXPECT_EQ(NodeToXML(Population->Node()),
            "<GPDomain><Individual><Name>p</Name></Individual></GPDomain>");
}

TEST(GPDomainXml, MissingAttributesReadAsEmptyWithoutBeingAdded) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GPDomain><Instructions><Function/><Function Arity='256'/><Function Arity='-1'/>"
      "<Function Arity='two'/><VariantConstant Name='v'><Value>abc</Value></VariantConstant>"
      "<FloatConstant/></Instructions>"
      "<Population><Individual><DNA><Child/></DNA></Individual></Population></GPDomain>");
  TXMLGPDomainType Domain = GetGPDomain(Doc);
  TXMLGPInstructions Instructions = Domain.Instructions();
  TXMLFunctionInstructionType Bare = Instructions.Function().Items(0);
  EXPECT_EQ(Bare.Comment(), "");
  EXPECT_EQ(Bare.Arity(), 0);
  EXPECT_FALSE(Bare.Node().first_attribute());
  for (int I = 1; I <= 3; ++I)
    EXPECT_THROW(Instructions.Function().Items(I).Arity(), EConvertError);
  EXPECT_EQ(Instructions.VariantConstant().Items(0).Value(), "abc");
  EXPECT_EQ(Instructions.FloatConstant().Items(0).Value(), "");

  TXMLDnaType Dna = Domain.Population().Items(0).DNA();
  EXPECT_EQ(Dna.Instruction(), "");
  EXPECT_FALSE(Dna.HasInstruction());
  EXPECT_TRUE(TXMLIndividualType::Supports(Domain.FittestIndividual().Node()));
  EXPECT_FALSE(TXMLChromosome::Supports(Domain.FittestIndividual().Node()));
}

TEST(GeneticProgramXml, ReproductionDefaultsAndWeightOrder) {
  auto Doc = NewGeneticProgram();
  TXMLGPReproductionType Reproduction = Doc->Reproduction();
  EXPECT_EQ(Reproduction.CrossoverMethod(), "cmSubtree");
  EXPECT_EQ(Reproduction.InitializationMethod(), "imFull");
  EXPECT_EQ(Reproduction.MutationMethod(), "mmSubtree");
  EXPECT_EQ(Reproduction.PointMutationMethod(), "pmmPerNode");
  TXMLGPReproductionType_MutationWeights Weights = Reproduction.MutationWeights();
  Weights.SetMmSubtree(10);
  Weights.SetMmHoist(4);
  Weights.SetMmPoint(30);
  Doc->Domain().Instructions();
  EXPECT_EQ(Weights.MmHoist(), 4);
  EXPECT_THAT(ChildTags(Weights.Node()), ElementsAre("mmSubtree", "mmHoist", "mmPoint"));
  EXPECT_THAT(ChildTags(Doc->Node()), ElementsAre("Reproduction", "Domain"));
}

}  // namespace
}  // namespace kx
