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
    try {
      Root.Load(File);
      ADD_FAILURE() << "no error";
    } catch (const EXMLError& E) {
      EXPECT_THAT(E.what(), AllOf(HasSubstr("other.xml"), HasSubstr("\"Other\""),
                                  HasSubstr(std::string("\"") + Root.NewRootTag + "\"")));
    }
    EXPECT_THROW(Root.Get(Doc), EXMLError);
    EXPECT_THROW(Root.Get(Empty), EXMLError);
  }
}

TEST(GeneticAlgorithmXml, ADocumentWrittenFromScratchKeepsTheWritersOrder) {
  auto Doc = NewGeneticAlgorithm();
  const TXMLGeneticAlgorithm& Root = Doc.Root();
  Root.SetDiversityLimit(0.02f);
  Root.SetGeneration(3);
  TXMLGAReproductionType Reproduction = Root.Reproduction();
  Reproduction.SetCrossoverMethod("cmBit");
  Reproduction.SetMutationProbability(0.01f);
  Reproduction.SelectionMethod().SetMethod("smRoulette");
  TXMLGADomainType Domain = Root.Domain();
  TXMLGenoType GenoType = Domain.GenoType();
  GenoType.BooleanGene().Add().SetName("flag");
  TXMLIntegerGeneType Count = GenoType.IntegerGene().Add();
  Count.SetName("count");
  Count.SetSize(8);
  Count.SetMinValue(0);
  Count.SetMaxValue(255);
  Count.SetPreserveSignBit(false);
  TXMLEnumerationGeneType Colour = GenoType.EnumerationGene().Add();
  Colour.SetName("colour");
  Colour.Enumeration().Add("red");
  Colour.Enumeration().Add("green");
  GenoType.BooleanGene().Add().SetName("other");
  GenoType.SetSize(12);
  TXMLChromosome Chromosome = Domain.Chromosomes().Add();
  Chromosome.SetName("TKXGAIndividual");
  Chromosome.SetFitness(0.1f);
  Chromosome.Genes().SetBits("101");
  Chromosome.Genes().IntegerGeneValue().Add(7);
  Chromosome.Genes().FloatGeneValue().Add(2.5f);

  TKXXMLDocument Copy;
  Copy.LoadFromXML(Doc.Document().SaveToXML());
  TXMLGeneticAlgorithm Read = GetGeneticAlgorithm(Copy);
  EXPECT_THAT(ChildTags(Read.Node()),
              ElementsAre("DiversityLimit", "Generation", "Reproduction", "Domain"));
  EXPECT_THAT(ChildTags(Read.Reproduction().Node()),
              ElementsAre("CrossoverMethod", "MutationProbability", "SelectionMethod"));
  EXPECT_THAT(ChildTags(Read.Domain().GenoType().Node()),
              ElementsAre("BooleanGene", "IntegerGene", "EnumerationGene", "BooleanGene"));
  EXPECT_THAT(ChildTags(Read.Domain().GenoType().IntegerGene().Items(0).Node()),
              ElementsAre("Name", "Size", "MinValue", "MaxValue", "PreserveSignBit"));
  EXPECT_THAT(ChildTags(Read.Domain().GenoType().EnumerationGene().Items(0).Node()),
              ElementsAre("Name", "Enumeration", "Enumeration"));
  EXPECT_THAT(ChildTags(Read.Domain().Chromosomes().Items(0).Genes().Node()),
              ElementsAre("Bits", "IntegerGeneValue", "FloatGeneValue"));

  EXPECT_EQ(Read.Generation(), 3);
  EXPECT_EQ(Read.Reproduction().SelectionMethod().Method(), "smRoulette");
  EXPECT_EQ(Read.Domain().GenoType().Size(), 12);
  EXPECT_EQ(Read.Domain().GenoType().BooleanGene().Items(1).Name(), "other");
  EXPECT_EQ(Read.Domain().GenoType().IntegerGene().Items(0).MaxValue(), 255.0);
  TXMLEnumerationGeneType ReadColour = Read.Domain().GenoType().EnumerationGene().Items(0);
  EXPECT_EQ(ReadColour.Enumeration().Count(), 2);
  EXPECT_EQ(ReadColour.Enumeration().Items(1), "green");
  TXMLChromosome ReadChromosome = Read.Domain().Chromosomes().Items(0);
  EXPECT_EQ(ReadChromosome.Fitness(), 0.1f);
  EXPECT_EQ(ReadChromosome.Genes().Bits(), "101");
  EXPECT_EQ(ReadChromosome.Genes().FloatGeneValue().Items(0), 2.5f);
}

TEST(GeneticAlgorithmXml, MissingValuesAndAttributesReadAsEmpty) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GeneticAlgorithm><Reproduction><CrossoverMethod/></Reproduction>"
      "<Domain><GenoType><FloatGene><MinValue>-1.5</MinValue></FloatGene></GenoType></Domain>"
      "</GeneticAlgorithm>");
  TXMLGeneticAlgorithm Root = GetGeneticAlgorithm(Doc);
  EXPECT_EQ(Root.Reproduction().CrossoverMethod(), "cmGeneBoundary");
  EXPECT_EQ(Root.Reproduction().SelectionMethod().Method(), "");
  EXPECT_EQ(Root.Reproduction().CrossoverProbability(), 0.0f);
  TXMLGenoType GenoType = Root.Domain().GenoType();
  EXPECT_EQ(GenoType.Size(), 0);
  EXPECT_FALSE(GenoType.Node().attribute("Size"));
  TXMLFloatGeneType Gene = GenoType.FloatGene().Items(0);
  EXPECT_EQ(Gene.MinValue(), -1.5);
  EXPECT_EQ(Gene.MaxValue(), 0.0);
  EXPECT_FALSE(Gene.PreserveSignBit());
  EXPECT_EQ(Gene.Name(), "");
}

TEST(GeneticAlgorithmXml, DoubleMembersRoundTripExactly) {
  auto Doc = NewGenoType();
  TXMLFloatGeneType Gene = Doc->FloatGene().Add();
  Gene.SetMinValue(1.0 / 3.0);
  Gene.SetMaxValue(-1e300);
  EXPECT_EQ(Gene.MinValue(), 1.0 / 3.0);
  EXPECT_EQ(Gene.MaxValue(), -1e300);
  Doc->SetSize(-3);
  Doc->Node().attribute("Size").set_value("x");
  EXPECT_THROW(Doc->Size(), EConvertError);
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
  try {
    XMLCast<TXMLGeneType>(Gene.next_sibling());
    FAIL() << "no error";
  } catch (const EXMLError& E) {
    EXPECT_THAT(E.what(), HasSubstr("\"Bogus\""));
  }
  EXPECT_TRUE(TXMLChromosome::Supports(Domain.FittestIndividual().Node()));
  EXPECT_TRUE(TXMLChromosome::Supports(Domain.Chromosomes().Items(0).Node()));
  EXPECT_FALSE(TXMLChromosome::Supports(Domain.Node()));
  EXPECT_FALSE(TXMLIndividualType::Supports(Domain.FittestIndividual().Node()));
}

TEST(GPDomainXml, InstructionListsAndProgramTrees) {
  auto Doc = NewGPDomain();
  TXMLGPInstructions Instructions = Doc->Instructions();
  TXMLFunctionInstructionType Add = Instructions.Function().Add();
  Add.SetName("Add");
  Add.SetComment("a + b");
  Add.SetArity(2);
  TXMLVariableInstructionType X = Instructions.Variable().Add();
  X.SetName("x");
  TXMLConstantInstructionType One = Instructions.Constant().Add();
  One.SetName("one");
  One.SetValue("1");
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
  EXPECT_THAT(ChildTags(Instructions.Node()),
              ElementsAre("Function", "Variable", "Constant", "Function"));
  EXPECT_EQ(NodeToXML(Add.Node()), "<Function Name=\"Add\" Comment=\"a + b\" Arity=\"2\"/>");
  EXPECT_EQ(NodeToXML(Individual.Node()),
            "<Individual><Name>p1</Name><Fitness>0.100000001490116</Fitness>"
            "<DNA Instruction=\"Add\"><Child Instruction=\"x\"/>"
            "<Child Instruction=\"one\"><Value>1</Value></Child></DNA></Individual>");
  EXPECT_EQ(Wide.Arity(), 44);
}

TEST(GPDomainXml, MissingAttributesReadAsEmptyWithoutBeingAdded) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<GPDomain><Instructions><Function/><Function Arity='256'/><Function Arity='-1'/>"
      "<Function Arity='two'/><VariantConstant Name='v'><Value>abc</Value></VariantConstant>"
      "<FloatConstant/></Instructions>"
      "<Population><Individual><DNA><Child/></DNA></Individual></Population></GPDomain>");
  TXMLGPInstructions Instructions = GetGPDomain(Doc).Instructions();
  TXMLFunctionInstructionType Bare = Instructions.Function().Items(0);
  EXPECT_EQ(Bare.Comment(), "");
  EXPECT_EQ(Bare.Arity(), 0);
  EXPECT_FALSE(Bare.Node().first_attribute());
  EXPECT_THROW(Instructions.Function().Items(1).Arity(), EConvertError);
  EXPECT_THROW(Instructions.Function().Items(2).Arity(), EConvertError);
  EXPECT_THROW(Instructions.Function().Items(3).Arity(), EConvertError);
  EXPECT_EQ(Instructions.VariantConstant().Items(0).Value(), "abc");
  EXPECT_EQ(Instructions.FloatConstant().Items(0).Value(), "");

  TXMLDnaType Dna = GetGPDomain(Doc).Population().Items(0).DNA();
  EXPECT_EQ(Dna.Instruction(), "");
  EXPECT_FALSE(Dna.HasInstruction());
  EXPECT_TRUE(TXMLIndividualType::Supports(GetGPDomain(Doc).Population().Items(0).Node()));
  EXPECT_TRUE(TXMLIndividualType::Supports(GetGPDomain(Doc).FittestIndividual().Node()));
  EXPECT_FALSE(TXMLChromosome::Supports(GetGPDomain(Doc).FittestIndividual().Node()));
}

TEST(GPDomainXml, InstructionsAndPopulationFunctionsWrapTheDomainRoot) {
  auto Instructions = NewGPInstructions();
  Instructions->Variable().Add().SetName("x");
  EXPECT_EQ(NodeToXML(Instructions->Node()), "<GPDomain><Variable Name=\"x\"/></GPDomain>");
  auto Population = NewGPPopulation();
  Population->Add().SetName("p");
  EXPECT_EQ(NodeToXML(Population->Node()),
            "<GPDomain><Individual><Name>p</Name></Individual></GPDomain>");
}

TEST(GeneticProgramXml, ReproductionAndWeights) {
  auto Doc = NewGeneticProgram();
  TXMLGPReproductionType Reproduction = Doc->Reproduction();
  EXPECT_EQ(Reproduction.CrossoverMethod(), "cmSubtree");
  EXPECT_EQ(Reproduction.InitializationMethod(), "imFull");
  EXPECT_EQ(Reproduction.MutationMethod(), "mmSubtree");
  EXPECT_EQ(Reproduction.PointMutationMethod(), "pmmPerNode");

  Reproduction.SetCrossoverMethod("cmFair");
  Reproduction.SetInitializationDepth(5);
  TXMLGPReproductionType_MutationWeights Weights = Reproduction.MutationWeights();
  Weights.SetMmSubtree(10);
  Weights.SetMmHoist(4);
  Weights.SetMmPoint(30);
  Reproduction.SetPointMutationProbability(0.1f);
  Doc->Domain().Instructions();

  TKXXMLDocument Copy;
  Copy.LoadFromXML(Doc.Document().SaveToXML());
  TXMLGPReproductionType Read = GetGeneticProgram(Copy).Reproduction();
  EXPECT_EQ(Read.CrossoverMethod(), "cmFair");
  EXPECT_EQ(Read.InitializationDepth(), 5);
  EXPECT_EQ(Read.MutationWeights().MmHoist(), 4);
  EXPECT_EQ(Read.PointMutationProbability(), 0.1f);
  EXPECT_THAT(ChildTags(Read.MutationWeights().Node()),
              ElementsAre("mmSubtree", "mmHoist", "mmPoint"));
  EXPECT_THAT(ChildTags(GetGeneticProgram(Copy).Node()), ElementsAre("Reproduction", "Domain"));
}

}  // namespace
}  // namespace kx
