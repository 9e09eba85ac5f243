#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/ga/genetic_algorithm.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"
#include "kx/host/streaming.hpp"
#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "xml/xml_test_support.hpp"

namespace kx {
namespace {

using test::ChildTags;
using test::TempFolder;
using test::WriteFile;
using Tags = std::vector<std::string>;

// The fitness is the number of 1 bits.
void CountOnes(TKXGeneticAlgorithm& GA, int* Calls = nullptr) {
  GA.SetOnEvaluateFitness([Calls](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    if (Calls != nullptr) ++*Calls;
    Fitness = static_cast<TKXGAIndividual*>(Item)->Bits()->CountOnes();
  });
}

TKXGAGene* AddGene(TKXGeneticAlgorithm& GA, const std::string& Name, TGeneType Kind,
                   std::int32_t Size, bool Signed = false) {
  TKXGAGene* gene = GA.Genes()->Add();
  gene->SetName(Name);
  gene->SetGeneType(Kind);
  gene->SetSize(Size);
  gene->SetPreserveSignBit(Signed);
  return gene;
}

// A genotype of all four kinds (1 + 8 + 12 + 2 bits, the last gene unnamed) and four random
// individuals whose enumeration fields hold named indices; the first one is unnamed.
void Build(TKXGeneticAlgorithm& GA) {
  RandSeed(2024);
  AddGene(GA, "Flag", gtBoolean, 1);
  AddGene(GA, "Count", gtInteger, 8, true);
  AddGene(GA, "Ratio", gtFloat, 12);
  TKXGAGene* colour = AddGene(GA, "", gtEnumeration, 0);
  for (const char* name : {"Red", "Green", "Blue"}) colour->Enumerations()->Add(name);
  for (int i = 0; i < 4; ++i) {
    TKXGAIndividual* individual = GA.Population()->Add();
    individual->Bits()->Randomize();
    colour->SetGeneAsEnumeration(*individual->Bits(), i % 2 == 0 ? "Blue" : "Red");
    if (i > 0) individual->SetName("ind" + std::to_string(i));
  }
}

// Every reproduction and header setting away from its default.
void Configure(TKXGeneticAlgorithm& GA) {
  GA.SetCrossoverMethod(cmByteBoundary);
  GA.SetCrossoverProbability(0.7);
  GA.SetInversionProbability(0.3);
  GA.SetMutationProbability(0.05);
  GA.SetSelectionMethod(smElitist);
  GA.SetElitistPct(0.25);
  GA.SetTournamentField(5);
  GA.SetFitnessMethod(fmMaximize);
  GA.SetFitnessCutoff(20);
  GA.SetUseFitnessCutoff(true);
  GA.SetDiversityLimit(0.05);
  GA.SetGenerationLimit(40);
  GA.SetUseGenerationLimit(true);
  GA.SetGeneration(12);
}

std::vector<std::string> BitTexts(TKXGAPopulation* Population) {
  std::vector<std::string> texts;
  for (int i = 0; i < Population->Count(); ++i) {
    texts.push_back(Population->Items(i)->Bits()->ToBitString());
  }
  return texts;
}

std::string SaveText(TKXGeneticAlgorithm& GA) {
  std::stringstream stream;
  GA.SaveToStream(stream);
  return stream.str();
}

TEST(GADocument, DocumentWrittenFromScratchListsElementsInTheirOrder) {
  TKXGeneticAlgorithm ga;
  CountOnes(ga);
  Build(ga);
  ga.EvaluateFitness();
  const std::string text = SaveText(ga);
  EXPECT_EQ(text.find("\n "), std::string::npos) << "not indented: " << text;

  TKXXMLDocument doc;
  doc.LoadFromXML(text);
  const pugi::xml_node root = doc.RootElement("GeneticAlgorithm");
  EXPECT_EQ(ChildTags(root),
            (Tags{"DiversityLimit", "FitnessCutoff", "FitnessMethod", "Generation",
                  "UseDiversityLimit", "UseFitnessCutoff", "GenerationLimit", "UseGenerationLimit",
                  "AvgFitness", "MaxFitness", "MinFitness", "Reproduction", "Domain"}));
  const pugi::xml_node reproduction = root.child("Reproduction");
  EXPECT_EQ(ChildTags(reproduction),
            (Tags{"CrossoverMethod", "CrossoverProbability", "InversionProbability",
                  "MutationProbability", "SelectionMethod"}));
  EXPECT_EQ(ChildTags(reproduction.child("SelectionMethod")),
            (Tags{"Method", "ElitistPercent", "TournamentField"}));
  const pugi::xml_node domain = root.child("Domain");
  EXPECT_EQ(ChildTags(domain), (Tags{"GenoType", "FittestIndividual", "Chromosomes"}));

  const pugi::xml_node genotype = domain.child("GenoType");
  EXPECT_STREQ(genotype.attribute("Size").value(), "23");
  EXPECT_EQ(ChildTags(genotype),
            (Tags{"BooleanGene", "IntegerGene", "FloatGene", "EnumerationGene"}));
  EXPECT_EQ(ChildTags(genotype.child("BooleanGene")), (Tags{"Name", "Size"}));
  EXPECT_EQ(ChildTags(genotype.child("IntegerGene")),
            (Tags{"Name", "Size", "MinValue", "MaxValue", "PreserveSignBit"}));
  EXPECT_EQ(ChildTags(genotype.child("EnumerationGene")),
            (Tags{"Name", "Size", "MinValue", "MaxValue", "PreserveSignBit", "Enumeration",
                  "Enumeration", "Enumeration"}));
  EXPECT_STREQ(genotype.child("EnumerationGene").child_value("Name"), "TKXGAGene");
  EXPECT_STREQ(genotype.child("IntegerGene").child_value("MinValue"), "-128");

  const pugi::xml_node first = domain.child("Chromosomes").child("Chromosome");
  EXPECT_EQ(ChildTags(first), (Tags{"Name", "Fitness", "Genes"}));
  EXPECT_STREQ(first.child_value("Name"), "TKXGAIndividual");
  EXPECT_EQ(ChildTags(first.child("Genes")), (Tags{"Bits", "BooleanGeneValue", "IntegerGeneValue",
                                                   "FloatGeneValue", "EnumerationGeneValue"}));
  EXPECT_STREQ(first.child("Genes").child_value("EnumerationGeneValue"), "Blue");
  EXPECT_EQ(domain.child("Chromosomes").select_nodes("Chromosome").size(), 4u);
}

TEST(GADocument, DomainHasNoFittestIndividualBeforeAnEvaluation) {
  TKXGeneticAlgorithm ga;
  Build(ga);
  TXMLDocumentBinding<TXMLGADomainType> doc = NewGADomain();
  ga.SaveToXML(doc.Root());
  EXPECT_EQ(ChildTags(doc.Root().Node()), (Tags{"GenoType", "Chromosomes"}));
}

TEST(GADocument, GeneValuesFollowTheGenotypeAndStaleFitnessesAreEvaluated) {
  TKXGeneticAlgorithm ga;
  int calls = 0;
  CountOnes(ga, &calls);
  Build(ga);
  TKXGAIndividual* individual = ga.Population()->Items(1);
  TKXGABits& bits = *individual->Bits();
  ASSERT_TRUE(individual->NeedFitness());
  TXMLDocumentBinding<TXMLChromosomes> doc = NewChromosomes();
  individual->SaveToXML(doc->Add());
  EXPECT_EQ(calls, 1);
  const TXMLChromosome chromosome = doc->Items(0);
  EXPECT_EQ(chromosome.Name(), "ind1");
  EXPECT_EQ(chromosome.Fitness(), static_cast<float>(bits.CountOnes()));
  const TXMLGenes genes = chromosome.Genes();
  EXPECT_EQ(genes.Bits(), bits.ToBitString());
  TKXGAGenes& genotype = *ga.Genes();
  EXPECT_EQ(genes.BooleanGeneValue()[0], genotype.Items(0)->GeneAsBoolean(bits));
  EXPECT_EQ(genes.IntegerGeneValue()[0], genotype.Items(1)->GeneAsInteger(bits));
  EXPECT_EQ(genes.FloatGeneValue()[0], genotype.Items(2)->GeneAsFloat(bits));
  EXPECT_EQ(genes.EnumerationGeneValue()[0], "Red");

  // Outside a genetic algorithm's population only the bits are written.
  TKXGAIndividual loose;
  loose.Bits()->SetSize(3);
  TXMLDocumentBinding<TXMLChromosomes> other = NewChromosomes();
  loose.SaveToXML(other->Add());
  EXPECT_EQ(ChildTags(other->Items(0).Genes().Node()), (Tags{"Bits"}));
  EXPECT_EQ(other->Items(0).Fitness(), 0);
}

TEST(GADocument, StreamRoundTripRestoresSettingsGenotypeAndPopulation) {
  TKXGeneticAlgorithm source;
  CountOnes(source);
  Build(source);
  Configure(source);
  source.SetInitialPopulation(50);
  std::stringstream stream;
  source.SaveToStream(stream);

  TKXGeneticAlgorithm target;
  int calls = 0;
  // A different fitness: the stored fitnesses must not come back.
  target.SetOnEvaluateFitness([&calls](TKXObject*, TKXIndividual*, TGAFitness& Fitness) {
    ++calls;
    Fitness = 1000;
  });
  target.LoadFromStream(stream);

  EXPECT_EQ(target.CrossoverMethod(), cmByteBoundary);
  EXPECT_EQ(target.CrossoverProbability(), static_cast<double>(0.7f));
  EXPECT_EQ(target.InversionProbability(), static_cast<double>(0.3f));
  EXPECT_EQ(target.MutationProbability(), static_cast<double>(0.05f));
  EXPECT_EQ(target.SelectionMethod(), smElitist);
  EXPECT_EQ(target.ElitistPct(), 0.25);
  EXPECT_EQ(target.TournamentField(), 5);
  EXPECT_EQ(target.FitnessMethod(), fmMaximize);
  EXPECT_EQ(target.FitnessCutoff(), 20);
  EXPECT_TRUE(target.UseFitnessCutoff());
  EXPECT_EQ(target.DiversityLimit(), static_cast<double>(0.05f));
  EXPECT_EQ(target.GenerationLimit(), 40);
  EXPECT_TRUE(target.UseGenerationLimit());
  EXPECT_EQ(target.Generation(), 12);  // kept across the initialization the load needs
  EXPECT_TRUE(target.Initialized());
  EXPECT_EQ(target.InitialPopulation(), 100);

  TKXGAGenes& genes = *target.Genes();
  ASSERT_EQ(genes.Count(), 4);
  const std::vector<std::string> names{"Flag", "Count", "Ratio", "TKXGAGene"};
  const std::vector<TGeneType> kinds{gtBoolean, gtInteger, gtFloat, gtEnumeration};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(genes.Items(i)->Name(), names[i]);
    EXPECT_EQ(genes.Items(i)->GeneType(), kinds[i]);
    EXPECT_EQ(genes.Items(i)->Size(), source.Genes()->Items(i)->Size());
    EXPECT_EQ(genes.Items(i)->Offset(), source.Genes()->Items(i)->Offset());
  }
  EXPECT_TRUE(genes.Items(1)->PreserveSignBit());
  EXPECT_EQ(genes.Items(1)->MinValue(), -128);
  EXPECT_EQ(genes.Items(3)->Enumerations()->Text(), "Red\nGreen\nBlue\n");
  EXPECT_EQ(target.GeneSize(), 23);

  EXPECT_EQ(BitTexts(target.Population()), BitTexts(source.Population()));
  EXPECT_EQ(BitTexts(target.PreviousGeneration()), BitTexts(source.Population()));
  EXPECT_NE(target.Population(), target.PreviousGeneration());
  EXPECT_EQ(target.Population()->Items(0)->Name(), "TKXGAIndividual");
  EXPECT_EQ(target.Population()->Items(3)->Name(), "ind3");
  // Copying into the previous generation evaluated the loaded individuals with the new
  // handler; the stored fitnesses were never read.
  EXPECT_EQ(calls, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(target.Population()->Items(i)->Fitness(), 1000);
  EXPECT_EQ(calls, 4);
}

TEST(GADocument, SizeAttributeIsTheGenesWidthOrTheGeneSizeWithoutGenes) {
  TKXGeneticAlgorithm bare;
  bare.SetGeneSize(30);
  TXMLDocumentBinding<TXMLGenoType> empty = NewGenoType();
  bare.Genes()->SaveToXML(empty.Root());
  EXPECT_EQ(empty->Size(), 30);

  TKXGeneticAlgorithm wide;
  AddGene(wide, "a", gtInteger, 6);
  wide.SetGeneSize(40);
  std::stringstream stream;
  wide.SaveToStream(stream);
  TKXGeneticAlgorithm copy;
  copy.LoadFromStream(stream);
  EXPECT_EQ(copy.GeneSize(), 6);

  // Its individuals' 40-bit texts then no longer fit their 6-bit chromosomes.
  wide.Population()->Add();
  std::stringstream withIndividual;
  wide.SaveToStream(withIndividual);
  EXPECT_THROW(copy.LoadFromStream(withIndividual), EConvertError);
}

TEST(GADocument, GenoTypeWithoutSizeShrinksThePopulationThenGrowsBack) {
  TKXGeneticAlgorithm ga;
  ga.SetGeneSize(10);
  TKXGAIndividual* individual = ga.Population()->Add();
  individual->Bits()->SetBits(9, true);
  TKXXMLDocument doc;
  doc.LoadFromXML("<GenoType><IntegerGene><Name>n</Name><Size>4</Size></IntegerGene></GenoType>");
  ga.Genes()->LoadFromXML(GetGenoType(doc));
  EXPECT_EQ(ga.GeneSize(), 4);
  EXPECT_EQ(individual->Bits()->ToBitString(), "0000");  // went through 0 bits
}

TEST(GADocument, LoadedRangesAreNaturalAndEnumerationWidthsReDerived) {
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GenoType Size='20'>"
      "<IntegerGene><Name>i</Name><Size>8</Size><MinValue>10</MinValue>"
      "<MaxValue>20</MaxValue><PreserveSignBit>false</PreserveSignBit></IntegerGene>"
      "<FloatGene><Name>f</Name><Size>6</Size><MinValue>0.5</MinValue>"
      "<MaxValue>1.5</MaxValue><PreserveSignBit>TRUE</PreserveSignBit></FloatGene>"
      "<EnumerationGene><Name>e</Name><Size>7</Size><MinValue>4</MinValue><MaxValue>9</MaxValue>"
      "<Enumeration>a</Enumeration><Enumeration>b</Enumeration><Enumeration>c</Enumeration>"
      "<Enumeration>d</Enumeration><Enumeration>e</Enumeration></EnumerationGene>"
      "<BooleanGene><Name>b</Name><Size>1</Size></BooleanGene>"
      "</GenoType>");
  TKXGeneticAlgorithm ga;
  TKXGAGenes& genes = *ga.Genes();
  genes.LoadFromXML(GetGenoType(doc));
  ASSERT_EQ(genes.Count(), 4);
  EXPECT_EQ(genes.Items(0)->MinValue(), 0);
  EXPECT_EQ(genes.Items(0)->MaxValue(), 255);
  EXPECT_TRUE(genes.Items(1)->PreserveSignBit());
  EXPECT_EQ(genes.Items(1)->MinValue(), -32);
  EXPECT_EQ(genes.Items(1)->MaxValue(), 31);
  EXPECT_EQ(genes.Items(2)->Size(), 3);  // BitsRequired(5), not the stored 7
  EXPECT_EQ(genes.Items(2)->Enumerations()->Count(), 5);
  EXPECT_EQ(genes.Items(2)->MinValue(), 0);
  EXPECT_EQ(genes.Items(2)->GeneType(), gtEnumeration);
  EXPECT_EQ(genes.Items(3)->GeneType(), gtBoolean);
  EXPECT_EQ(genes.Items(3)->Offset(), 17);
  EXPECT_EQ(genes.GetSize(), 18);
  // The attribute's 20 grew to 21 while the enumeration gene still had its stored 7 bits;
  // re-deriving its width never shrinks GeneSize.
  EXPECT_EQ(ga.GeneSize(), 21);
}

TEST(GADocument, AStrayGenoTypeChildFailsWithTheGenesReadSoFarAndTheBracketClosed) {
  TKXGeneticAlgorithm ga;
  AddGene(ga, "old", gtBoolean, 1);
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GenoType Size='3'><BooleanGene><Name>a</Name><Size>1</Size></BooleanGene>"
      "<Chromosome/><BooleanGene><Name>b</Name><Size>1</Size></BooleanGene></GenoType>");
  try {
    ga.Genes()->LoadFromXML(GetGenoType(doc));
    FAIL() << "a Chromosome inside a GenoType was accepted";
  } catch (const EXMLError& E) {
    EXPECT_NE(std::string(E.what()).find("Chromosome"), std::string::npos) << E.what();
  }
  ASSERT_EQ(ga.Genes()->Count(), 1);
  EXPECT_EQ(ga.Genes()->Items(0)->Name(), "a");
  EXPECT_EQ(ga.Genes()->UpdateCount(), 0);
}

TEST(GADocument, ReproductionDefaultsForMissingAndUnknownElements) {
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GeneticAlgorithm><Reproduction><InversionProbability>0.5</InversionProbability>"
      "<SelectionMethod><TournamentField>1</TournamentField></SelectionMethod>"
      "</Reproduction></GeneticAlgorithm>");
  TKXGeneticAlgorithm ga;
  ga.SetCrossoverMethod(cmWordBoundary);
  ga.SetSelectionMethod(smRandom);
  ga.SetTournamentField(6);
  ga.LoadFromXML(GetGeneticAlgorithm(doc));
  EXPECT_EQ(ga.CrossoverMethod(), cmGeneBoundary);  // a missing element reads as its name
  EXPECT_EQ(ga.CrossoverProbability(), 0);
  EXPECT_EQ(ga.InversionProbability(), 0.5);
  EXPECT_EQ(ga.MutationProbability(), 0);
  EXPECT_EQ(ga.SelectionMethod(), smRandom);
  EXPECT_EQ(ga.ElitistPct(), 0);
  EXPECT_EQ(ga.TournamentField(), 2);

  const TXMLGeneticAlgorithm root = GetGeneticAlgorithm(doc);
  root.Reproduction().SetCrossoverMethod("cmNowhere");
  root.Reproduction().SelectionMethod().SetMethod("smNobody");
  ga.SetCrossoverMethod(cmBitBoundary);
  ga.LoadFromXML(root);
  EXPECT_EQ(ga.CrossoverMethod(), cmBitBoundary);
  EXPECT_EQ(ga.SelectionMethod(), smRandom);
  root.Reproduction().SelectionMethod().SetMethod("smTournament");
  ga.LoadFromXML(root);
  EXPECT_EQ(ga.SelectionMethod(), smTournament);
}

TEST(GADocument, LoadingAPopulationReplacesEveryIndividual) {
  TKXGeneticAlgorithm ga;
  ga.SetGeneSize(4);
  for (int i = 0; i < 5; ++i) ga.Population()->Add();
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<Chromosomes><Chromosome><Name>x</Name><Fitness>99</Fitness><Genes><Bits>1010</Bits>"
      "</Genes></Chromosome><Chromosome><Genes><Bits>0001</Bits></Genes></Chromosome>"
      "<Chromosome><Name>z</Name><Genes><Bits>1111</Bits><BooleanGeneValue>maybe"
      "</BooleanGeneValue></Genes></Chromosome></Chromosomes>");
  ga.Population()->LoadFromXML(GetChromosomes(doc));
  ASSERT_EQ(ga.Population()->Count(), 3);
  EXPECT_EQ(BitTexts(ga.Population()), (std::vector<std::string>{"1010", "0001", "1111"}));
  EXPECT_EQ(ga.Population()->Items(0)->Name(), "x");
  EXPECT_EQ(ga.Population()->Items(1)->Name(), "");
  EXPECT_TRUE(ga.Population()->Items(0)->NeedFitness());  // the stored 99 is not read

  // A bit text of the wrong width fails; the bracket is closed all the same.
  doc.LoadFromXML(
      "<Chromosomes><Chromosome><Genes><Bits>10</Bits></Genes></Chromosome>"
      "</Chromosomes>");
  EXPECT_THROW(ga.Population()->LoadFromXML(GetChromosomes(doc)), EConvertError);
  EXPECT_EQ(ga.Population()->UpdateCount(), 0);
}

TEST(GADocument, PlainNodeFormsHandleOnlyTheirOwnElements) {
  TKXGeneticAlgorithm ga;
  ga.SetGeneSize(2);
  TKXGAIndividual* individual = ga.Population()->Add();
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GADomain><Other><Name>no</Name><Genes><Bits>11</Bits></Genes></Other>"
      "<FittestIndividual><Name>yes</Name><Genes><Bits>01</Bits></Genes></FittestIndividual>"
      "<Chromosomes><Chromosome><Genes><Bits>10</Bits></Genes></Chromosome></Chromosomes>"
      "</GADomain>");
  const pugi::xml_node domain = doc.DocumentElement();
  individual->LoadFromXML(TXMLNode(domain.child("Other")));
  EXPECT_EQ(individual->Name(), "");
  individual->LoadFromXML(TXMLNode(domain.child("FittestIndividual")));
  EXPECT_EQ(individual->Name(), "yes");
  EXPECT_EQ(individual->Bits()->ToBitString(), "01");

  TKXPopulation* population = ga.Population();
  population->LoadFromXML(TXMLNode(domain.child("Other")));
  EXPECT_EQ(population->Count(), 1);
  population->LoadFromXML(TXMLNode(domain.child("Chromosomes")));
  ASSERT_EQ(population->Count(), 1);
  EXPECT_EQ(ga.Population()->Items(0)->Bits()->ToBitString(), "10");
  population->SaveToXML(TXMLNode(domain.child("Other")));
  EXPECT_EQ(ChildTags(domain.child("Other")), (Tags{"Name", "Genes"}));
}

TEST(GADocument, AnUnnamedEnumerationIndexMakesSavingFail) {
  TKXGeneticAlgorithm ga;
  TKXGAGene* gene = AddGene(ga, "e", gtEnumeration, 0);
  for (const char* name : {"a", "b", "c"}) gene->Enumerations()->Add(name);
  ga.Population()->Add()->Bits()->SetAsInteger(0, 2, 3);
  std::stringstream stream;
  try {
    ga.SaveToStream(stream);
    FAIL() << "index 3 of three names was saved";
  } catch (const EGAException& E) {
    EXPECT_STREQ(E.what(), "No enumerated value found in chromosome");
  }
}

TEST(GADocument, BadInputRaisesBeforeTheComponentChanges) {
  TempFolder folder;
  TKXGeneticAlgorithm ga;
  Build(ga);
  ga.SetGeneration(3);
  const std::vector<std::string> bits = BitTexts(ga.Population());
  auto unchanged = [&] {
    EXPECT_EQ(ga.Generation(), 3);
    EXPECT_EQ(ga.Genes()->Count(), 4);
    EXPECT_EQ(BitTexts(ga.Population()), bits);
    EXPECT_FALSE(ga.Initialized());
  };
  EXPECT_THROW(ga.LoadFromFile(folder.File("missing.xml")), EXMLError);
  unchanged();
  WriteFile(folder.File("broken.xml"), "<GeneticAlgorithm><Generation>1</Generation>");
  EXPECT_THROW(ga.LoadFromFile(folder.File("broken.xml")), EXMLError);
  unchanged();
  std::istringstream header("<GeneticDocument><Generation>1</Generation></GeneticDocument>");
  EXPECT_THROW(ga.LoadFromStream(header), EXMLError);
  unchanged();
  std::istringstream noise("Generation = 1");
  EXPECT_THROW(ga.LoadFromStream(noise), EXMLError);
  unchanged();

  std::istringstream badNumber(
      "<GeneticAlgorithm><Generation>1</Generation><GenerationLimit>lots</GenerationLimit>"
      "</GeneticAlgorithm>");
  EXPECT_THROW(ga.LoadFromStream(badNumber), EConvertError);
  EXPECT_EQ(ga.Generation(), 1);  // read before the failing element
  EXPECT_EQ(ga.Genes()->Count(), 4);
}

TEST(GADocument, FilesRoundTripThroughTheComponentsOwnDocument) {
  TempFolder folder;
  const std::string file = folder.File("ga.xml");
  TKXGeneticAlgorithm source;
  Build(source);
  Configure(source);
  source.SaveToFile(file);
  EXPECT_NE(test::ReadFile(file).find("<GeneticAlgorithm>"), std::string::npos);
  TKXGeneticAlgorithm target;
  target.LoadFromFile(file);
  EXPECT_EQ(target.CrossoverMethod(), cmByteBoundary);
  EXPECT_EQ(target.Genes()->Count(), 4);
  EXPECT_EQ(BitTexts(target.Population()), BitTexts(source.Population()));
}

TEST(GADocument, InitializationForADomainRestoresInitialPopulationEvenOnFailure) {
  TKXGeneticAlgorithm source;
  Build(source);
  TXMLDocumentBinding<TXMLGADomainType> doc = NewGADomain();
  source.SaveToXML(doc.Root());

  TKXGeneticAlgorithm target;
  target.SetInitialPopulation(9);
  target.SetOnInitialization([](TKXObject*, bool&) { throw std::runtime_error("refused"); });
  EXPECT_THROW(target.LoadFromXML(doc.Root()), std::runtime_error);
  EXPECT_EQ(target.InitialPopulation(), 9);
  EXPECT_FALSE(target.Initialized());

  int initializations = 0;
  target.SetOnInitialization([&](TKXObject*, bool& Initialized) {
    ++initializations;
    EXPECT_EQ(target.Population()->Count(), 0);  // no individuals are bred for the load
    Initialized = true;
  });
  target.LoadFromXML(doc.Root());
  EXPECT_EQ(initializations, 1);
  EXPECT_EQ(target.InitialPopulation(), 9);
  EXPECT_EQ(target.Population()->Count(), 4);
  target.LoadFromXML(doc.Root());  // initialized now: no second initialization
  EXPECT_EQ(initializations, 1);
}

TEST(GADocument, ALoadedRunContinuesEvolving) {
  TKXGeneticAlgorithm source;
  CountOnes(source);
  source.SetFitnessMethod(fmMaximize);
  source.SetCrossoverMethod(cmBitBoundary);
  source.SetGeneSize(32);
  source.SetInitialPopulation(20);
  RandSeed(7);
  source.Evolve(3);
  std::stringstream stream;
  source.SaveToStream(stream);

  TKXGeneticAlgorithm target;
  CountOnes(target);
  target.LoadFromStream(stream);
  target.EvaluateFitness();
  EXPECT_EQ(target.Generation(), 3);
  EXPECT_EQ(target.Evolve(2), 2);
  EXPECT_EQ(target.Generation(), 5);
  EXPECT_EQ(target.Population()->Count(), 20);
}

TEST(GAComponentStreaming, EveryStreamedSettingSurvivesARoundTrip) {
  TKXGeneticAlgorithm source;
  source.SetName("Evolver");
  Configure(source);
  source.SetUseDiversityLimit(true);
  source.SetGeneSize(48);
  source.SetInitialPopulation(64);
  source.SetInitialDuplicatesRetries(3);
  source.SetOperations(TGAGeneticOperations{goMutate});
  std::stringstream stream;
  WriteComponent(stream, source);

  TKXGeneticAlgorithm target;
  ReadComponent(stream, target);
  EXPECT_EQ(target.Name(), "Evolver");
  EXPECT_EQ(target.CrossoverMethod(), cmByteBoundary);
  EXPECT_EQ(target.CrossoverProbability(), 0.7);
  EXPECT_EQ(target.InversionProbability(), 0.3);
  EXPECT_EQ(target.MutationProbability(), 0.05);
  EXPECT_EQ(target.SelectionMethod(), smElitist);
  EXPECT_EQ(target.ElitistPct(), 0.25);
  EXPECT_EQ(target.TournamentField(), 5);
  EXPECT_EQ(target.FitnessMethod(), fmMaximize);
  EXPECT_EQ(target.FitnessCutoff(), 20);
  EXPECT_EQ(target.DiversityLimit(), 0.05);
  EXPECT_EQ(target.GenerationLimit(), 40);
  EXPECT_EQ(target.Generation(), 12);
  EXPECT_TRUE(target.UseFitnessCutoff());
  EXPECT_TRUE(target.UseDiversityLimit());
  EXPECT_TRUE(target.UseGenerationLimit());
  EXPECT_EQ(target.GeneSize(), 48);
  EXPECT_EQ(target.InitialPopulation(), 64);
  EXPECT_EQ(target.InitialDuplicatesRetries(), 3);
  EXPECT_TRUE(target.Operations() == TGAGeneticOperations{goMutate});
}

TEST(GAReport, TheGeneticAlgorithmUsesTheCommonReport) {
  TKXGeneticAlgorithm ga;
  ga.SetCrossoverMethod(cmBitBoundary);
  EXPECT_EQ(ga.ToString(),
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

}  // namespace
}  // namespace kx
