#include "ga/ga_test_support.hpp"
#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "xml/xml_test_support.hpp"

namespace kx {
namespace {

using test::AddGene;
using test::BitTexts;
using test::ChildTags;
using Tags = std::vector<std::string>;

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

TKXXMLNode Parse(TKXXMLDocument& Doc, const std::string& Text) {
  Doc.LoadFromXML(Text);
  return Doc.DocumentElement();
}

// The element tags under Node in document order, with their children in brackets.
std::string Outline(TKXXMLNode Node) {
  std::string text;
  for (TKXXMLNode child = Node.FirstChild(); child; child = child.NextSibling()) {
    if (child.NodeType() != TXMLNodeType::ntElement) continue;
    text += (text.empty() ? "" : " ") + std::string(child.NodeName());
    if (child.FirstChild().NodeType() == TXMLNodeType::ntElement)
      text += "(" + Outline(child) + ")";
  }
  return text;
}

TEST(GADocument, ElementsAreWrittenInTheirOrder) {
  TKXGeneticAlgorithm ga;
  test::CountOnesFitness(ga);
  Build(ga);
  TXMLDocumentBinding<TXMLGADomainType> unevaluated = NewGADomain();
  ga.SaveToXML(unevaluated.Root());
  EXPECT_EQ(ChildTags(unevaluated.Root().Node()), (Tags{"GenoType", "Chromosomes"}));

  ga.EvaluateFitness();
  std::stringstream stream;
  ga.SaveToStream(stream);
  EXPECT_EQ(stream.str().find("\n "), std::string::npos) << "not indented";
  TKXXMLDocument doc;
  const TKXXMLNode root = Parse(doc, stream.str());
  EXPECT_EQ(ChildTags(root),
            (Tags{"DiversityLimit", "FitnessCutoff", "FitnessMethod", "Generation",
                  "UseDiversityLimit", "UseFitnessCutoff", "GenerationLimit", "UseGenerationLimit",
                  "AvgFitness", "MaxFitness", "MinFitness", "Reproduction", "Domain"}));
  EXPECT_EQ(Outline(root.Child("Reproduction")),
            "CrossoverMethod CrossoverProbability InversionProbability MutationProbability "
            "SelectionMethod(Method ElitistPercent TournamentField)");
  const TKXXMLNode domain = root.Child("Domain");
  EXPECT_EQ(ChildTags(domain), (Tags{"GenoType", "FittestIndividual", "Chromosomes"}));
  const TKXXMLNode genotype = domain.Child("GenoType");
  EXPECT_EQ(genotype.Attribute("Size"), "23");
  EXPECT_EQ(Outline(genotype.Child("EnumerationGene")),
            "Name Size MinValue MaxValue PreserveSignBit Enumeration Enumeration Enumeration");
  EXPECT_EQ(ElementText(genotype.Child("EnumerationGene").Child("Name")), "TKXGAGene");
  EXPECT_EQ(ElementText(genotype.Child("IntegerGene").Child("MinValue")), "-128");
  const TKXXMLNode first = domain.Child("Chromosomes").Child("Chromosome");
  EXPECT_EQ(Outline(first),
            "Name Fitness Genes(Bits BooleanGeneValue IntegerGeneValue FloatGeneValue "
            "EnumerationGeneValue)");
  EXPECT_EQ(ElementText(first.Child("Name")), "TKXGAIndividual");
  EXPECT_EQ(ElementText(first.Child("Genes").Child("EnumerationGeneValue")), "Blue");
}

TEST(GADocument, GeneValuesFollowTheGenotypeAndStaleFitnessesAreEvaluated) {
  TKXGeneticAlgorithm ga;
  int calls = 0;
  test::CountOnesFitness(ga, &calls);
  Build(ga);
  TKXGAIndividual* individual = ga.Population()->Items(1);
  TKXGABits& bits = *individual->Bits();
  TXMLDocumentBinding<TXMLChromosomes> doc = NewChromosomes();
  individual->SaveToXML(doc->Add());
  EXPECT_EQ(calls, 1);
  const TXMLChromosome chromosome = doc->Items(0);
  EXPECT_EQ(chromosome.Name(), "ind1");
  EXPECT_EQ(chromosome.Fitness(), static_cast<float>(bits.CountOnes()));
  EXPECT_EQ(chromosome.Genes().Bits(), bits.ToBitString());
  EXPECT_EQ(chromosome.Genes().IntegerGeneValue()[0], ga.Genes()->Items(1)->GeneAsInteger(bits));
  EXPECT_EQ(chromosome.Genes().EnumerationGeneValue()[0], "Red");

  TKXGAIndividual loose;  // outside a genetic algorithm's population only the bits
  loose.SaveToXML(doc->Add());
  EXPECT_EQ(ChildTags(doc->Items(1).Genes().Node()), (Tags{"Bits"}));

  ga.Population()->Items(0)->Bits()->SetAsInteger(21, 2, 3);  // an index without a name
  std::stringstream stream;
  EXPECT_THROW(ga.SaveToStream(stream), EGAException);
}

TEST(GADocument, StreamRoundTripRestoresSettingsGenotypeAndPopulation) {
  TKXGeneticAlgorithm source;
  Build(source);  // the random walk below covers the crossover method and the generation
  source.SetSelectionMethod(smElitist);
  std::stringstream stream;
  source.SaveToStream(stream);

  TKXGeneticAlgorithm target;
  int calls = 0;  // a different fitness: the stored fitnesses must not come back
  target.SetOnEvaluateFitness([&calls](TKXObject*, TKXIndividual*, TGAFitness& Fitness) {
    ++calls;
    Fitness = 1000;
  });
  target.LoadFromStream(stream);
  EXPECT_EQ(target.SelectionMethod(), smElitist);
  EXPECT_TRUE(target.Initialized());
  EXPECT_EQ(BitTexts(target.PreviousGeneration()), BitTexts(source.Population()));
  EXPECT_EQ(calls, 4);  // the copy into the previous generation evaluated with the new handler
  EXPECT_EQ(target.Population()->Items(3)->Fitness(), 1000);
  EXPECT_EQ(calls, 4);
}

TEST(GADocument, TheSizeAttributeSetsGeneSizeBeforeTheGenesGrowIt) {
  TKXGeneticAlgorithm bare;
  bare.SetGeneSize(30);
  TXMLDocumentBinding<TXMLGenoType> empty = NewGenoType();
  bare.Genes()->SaveToXML(empty.Root());
  EXPECT_EQ(empty->Size(), 30);  // without genes the GeneSize is written

  TKXGeneticAlgorithm wide;
  AddGene(wide, "a", gtInteger, 6);
  wide.SetGeneSize(40);
  std::stringstream stream;
  wide.SaveToStream(stream);
  TKXGeneticAlgorithm copy;
  copy.LoadFromStream(stream);
  EXPECT_EQ(copy.GeneSize(), 6);

  TKXGeneticAlgorithm ga;
  ga.SetGeneSize(10);
  TKXGAIndividual* individual = ga.Population()->Add();
  individual->Bits()->SetBits(9, true);
  TKXXMLDocument doc;
  Parse(doc,
        "<GenoType Size='20'>"
        "<IntegerGene><Name>i</Name><Size>8</Size><MinValue>10</MinValue>"
        "<MaxValue>20</MaxValue><PreserveSignBit>false</PreserveSignBit></IntegerGene>"
        "<FloatGene><Name>f</Name><Size>6</Size><PreserveSignBit>TRUE</PreserveSignBit></FloatGene>"
        "<EnumerationGene><Name>e</Name><Size>7</Size><MinValue>4</MinValue><MaxValue>9</MaxValue>"
        "<Enumeration>a</Enumeration><Enumeration>b</Enumeration><Enumeration>c</Enumeration>"
        "<Enumeration>d</Enumeration><Enumeration>e</Enumeration></EnumerationGene>"
        "<BooleanGene><Name>b</Name><Size>1</Size></BooleanGene></GenoType>");
  TKXGAGenes& genes = *ga.Genes();
  genes.LoadFromXML(GetGenoType(doc));
  ASSERT_EQ(genes.Count(), 4);
  EXPECT_EQ(genes.Items(0)->MinValue(), 0);  // the natural range, not the stored 10 .. 20
  EXPECT_EQ(genes.Items(0)->MaxValue(), 255);
  EXPECT_EQ(genes.Items(1)->MinValue(), -32);
  EXPECT_EQ(genes.Items(2)->Size(), 3);      // BitsRequired(5), not the stored 7
  EXPECT_EQ(genes.Items(2)->MaxValue(), 3);  // names - 1 as of the last width change (4 names)
  EXPECT_EQ(genes.Items(3)->Offset(), 17);
  // The attribute's 20 grew to 21 while the enumeration gene still had its stored 7 bits.
  EXPECT_EQ(ga.GeneSize(), 21);
  EXPECT_EQ(individual->Bits()->ToBitString(), "000000000100000000000");  // grown, not cut
  Parse(doc, "<GenoType/>");  // a missing Size reads as 0
  genes.LoadFromXML(GetGenoType(doc));
  EXPECT_EQ(individual->Bits()->Size(), 0);
}

TEST(GADocument, ReproductionDefaultsForMissingAndUnknownElements) {
  TKXXMLDocument doc;
  Parse(doc,
        "<GeneticAlgorithm><Reproduction><InversionProbability>0.5</InversionProbability>"
        "<SelectionMethod><TournamentField>1</TournamentField></SelectionMethod>"
        "</Reproduction></GeneticAlgorithm>");
  TKXGeneticAlgorithm ga;
  ga.SetCrossoverMethod(cmWordBoundary);
  ga.SetSelectionMethod(smRandom);
  const TXMLGeneticAlgorithm root = GetGeneticAlgorithm(doc);
  ga.LoadFromXML(root);
  EXPECT_EQ(ga.CrossoverMethod(), cmGeneBoundary);  // a missing element reads as its name
  EXPECT_EQ(ga.CrossoverProbability(), 0);
  EXPECT_EQ(ga.InversionProbability(), 0.5);
  EXPECT_EQ(ga.SelectionMethod(), smRandom);
  EXPECT_EQ(ga.TournamentField(), 2);
  root.Reproduction().SetCrossoverMethod("cmNowhere");
  root.Reproduction().SelectionMethod().SetMethod("smNobody");
  ga.SetCrossoverMethod(cmBitBoundary);
  ga.LoadFromXML(root);
  EXPECT_EQ(ga.CrossoverMethod(), cmBitBoundary);
  EXPECT_EQ(ga.SelectionMethod(), smRandom);
  root.Reproduction().SetCrossoverMethod("CMWORDBOUNDARY");
  ga.LoadFromXML(root);
  EXPECT_EQ(ga.CrossoverMethod(), cmWordBoundary);
}

TEST(GADocument, LoadingAPopulationReplacesEveryIndividualAndIgnoresOtherElements) {
  TKXGeneticAlgorithm ga;
  ga.SetGeneSize(4);
  for (int i = 0; i < 5; ++i) ga.Population()->Add();
  TKXXMLDocument doc;
  const TKXXMLNode domain =
      Parse(doc,
            "<GADomain><Other><Name>no</Name><Genes><Bits>1111</Bits></Genes></Other>"
            "<Chromosomes><Chromosome><Name>x</Name><Fitness>99</Fitness><Genes><Bits>1010</Bits>"
            "</Genes></Chromosome><Chromosome><Genes><Bits>0001</Bits></Genes></Chromosome>"
            "</Chromosomes><Bad><Chromosome><Genes><Bits>10</Bits></Genes></Chromosome></Bad>"
            "</GADomain>");
  TKXPopulation* population = ga.Population();
  population->LoadFromXML(TXMLNode(domain.Child("Other")));
  EXPECT_EQ(population->Count(), 5);
  population->LoadFromXML(TXMLNode(domain.Child("Chromosomes")));
  EXPECT_EQ(BitTexts(ga.Population()), (std::vector<std::string>{"1010", "0001"}));
  EXPECT_EQ(ga.Population()->Items(0)->Name(), "x");
  EXPECT_TRUE(ga.Population()->Items(0)->NeedFitness());  // the stored 99 is not read
  ga.Population()->Items(1)->LoadFromXML(TXMLNode(domain.Child("Other")));
  EXPECT_EQ(ga.Population()->Items(1)->Name(), "");

  // A bit text of the wrong width fails; the bracket is closed all the same.
  EXPECT_THROW(ga.Population()->LoadFromXML(TXMLChromosomes(domain.Child("Bad"))), EConvertError);
  EXPECT_EQ(ga.Population()->UpdateCount(), 0);
}

std::string Saved(TKXGeneticAlgorithm& GA) {
  std::stringstream stream;
  GA.SaveToStream(stream);
  return stream.str();
}

// Every state reached by random settings and operations saves a document that loads into a
// fresh component and saves again unchanged.
TEST(GADocument, EverySaveLoadsBackIntoTheSameDocument) {
  for (std::uint64_t trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    RandSeed(trial);
    TKXGeneticAlgorithm ga;
    test::CountOnesFitness(ga);
    ga.SetIncludeRunState(RandomInt(3) == 0);
    ga.SetInitialPopulation(RandomInt(6));
    for (int step = 0; step < 14; ++step) {
      const int size = 1 + RandomInt(12);
      TKXGAPopulation* population = ga.Population();
      TKXGAGene* gene =
          ga.Genes()->Count() > 0 ? ga.Genes()->Items(RandomInt(ga.Genes()->Count())) : nullptr;
      try {
        switch (RandomInt(13)) {
          case 0:
          case 1: {
            const auto kind = static_cast<TGeneType>(RandomInt(5));  // gtUnknown too
            gene = AddGene(ga, RandomInt(3) ? "g" + std::to_string(step) : "", kind,
                           kind == gtBoolean ? 1 : size, RandomInt(2) == 0);
            for (int n = RandomInt(4); kind == gtEnumeration && n >= 0; --n)
              gene->Enumerations()->Add("e" + std::to_string(n));
            break;
          }
          case 2:
            ga.SetGeneSize(ga.Genes()->GetSize() + RandomInt(9) - 2);
            break;
          case 3:
            if (gene != nullptr) ga.Genes()->Delete(gene->Index());
            break;
          case 4:
            if (gene == nullptr) break;
            if (RandomInt(2)) gene->SetSize(gene->Size() + RandomInt(5) - 2);
            RandomInt(2) ? gene->SetMinValue(RandomInt(50) - 25) : gene->SetMaxValue(size * 7.5);
            break;
          case 5:
            ga.SetInitialPopulation(RandomInt(6));
            ga.Initialize();
            break;
          case 6:
            ga.SetSelectionMethod(static_cast<TGASelectionMethod>(RandomInt(5)));
            ga.SetElitistPct(RandomFloat());
            RandomInt(2) ? ga.Evolve(1 + RandomInt(2)) : ga.ParallelEvolve(1 + RandomInt(2));
            break;
          case 7:
            ga.SetMutationProbability(RandomFloat());
            ga.SetFitnessMethod(static_cast<TGAFitnessMethod>(RandomInt(4)));
            ga.SetCrossoverMethod(static_cast<TGACrossoverMethod>(RandomInt(5)));
            ga.SetGeneration(RandomInt(100));
            ga.SetUseGenerationLimit(RandomInt(2) == 0);
            break;
          case 8:
            ga.SwapGenerations();
            break;
          case 9:
            ga.EvaluateFitness();
            break;
          case 10:
            if (population->Count() > 0) {
              TKXGAIndividual* individual = population->Items(RandomInt(population->Count()));
              RandomInt(2) ? individual->Bits()->Randomize()
                           : population->Delete(individual->Index());
            }
            break;
          default:
            population->Add()->SetName(RandomInt(2) ? "i" + std::to_string(step) : "");
            break;
        }
      } catch (const EKXException&) {
        // A refused operation is part of the walk too.
      }
    }
    std::string saved;
    try {
      saved = Saved(ga);
    } catch (const EKXException&) {
      continue;  // a state that cannot be saved (an enumeration field without a name)
    }
    TKXGeneticAlgorithm fresh;
    test::CountOnesFitness(fresh);
    fresh.SetIncludeRunState(ga.IncludeRunState());
    std::stringstream stream(saved);
    fresh.LoadFromStream(stream);
    EXPECT_EQ(test::WithoutClock(Saved(fresh)), test::WithoutClock(saved));
  }
}

// Documents that cannot load raise naming the element and the value and change nothing.
TEST(GADocument, BadDocumentsChangeNothingAndNameThePlace) {
  TKXGeneticAlgorithm ga;
  test::CountOnesFitness(ga);  // an undo must give back the fitnesses it cannot evaluate
  Build(ga);
  ga.SetGeneration(3);
  const std::string saved = Saved(ga);
  const std::string bits = BitTexts(ga.Population())[1];
  // Index 3 in the colour field (the last two bits, whichever end the text starts at).
  std::string unnamed = bits;
  unnamed.replace(0, 2, "11");
  unnamed.replace(unnamed.size() - 2, 2, "11");
  const struct {
    std::string From, To, Where;
  } cases[] = {{bits, bits.substr(1), "Chromosome[2]/Genes/Bits"},
               {bits, unnamed, "No enumerated value found in chromosome"},
               {bits, "2" + bits.substr(1), "\"2"},
               {"Size=\"23\"", "Size=\"-5\"", "-5 at GeneticAlgorithm/Domain/GenoType/@Size"},
               {"Size=\"23\"", "Size=\"1048577\"",
                "1048577 is out of range (0 to 1048576) at GeneticAlgorithm/Domain/GenoType/@Size"},
               {"<Size>8</Size>", "<Size>2000000000</Size>",
                "2000000000 is out of range (0 to 1048576) at GeneticAlgorithm/Domain/GenoType"},
               {"<Generation>3<", "<Generation>three<",
                "\"three\" is not a valid integer value at "
                "GeneticAlgorithm/Generation"},
               {"<GenoType Size=\"23\">", "<GenoType Size=\"23\"><Gene/>", "GenoType/Gene"},
               {"<MinValue>-128<", "<MinValue>low<",
                "\"low\" is not a valid floating point value at "
                "GeneticAlgorithm/Domain/GenoType/IntegerGene/MinValue"}};
  for (const auto& c : cases) {
    std::string text = saved;
    ASSERT_NE(text.find(c.From), std::string::npos) << c.From;
    text.replace(text.find(c.From), c.From.size(), c.To);
    std::stringstream stream(text);
    try {
      ga.LoadFromStream(stream);
      ADD_FAILURE() << c.To;
    } catch (const EKXException& E) {
      EXPECT_NE(std::string(E.what()).find(c.Where), std::string::npos) << E.what();
    }
    EXPECT_EQ(Saved(ga), saved);
  }
  test::TempFolder folder;
  EXPECT_THROW(ga.LoadFromFile(folder.File("missing.xml")), EXMLError);
  EXPECT_EQ(Saved(ga), saved);
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
  int initializations = 0;
  target.SetOnInitialization([&](TKXObject*, bool& Initialized) {
    ++initializations;
    EXPECT_EQ(target.Population()->Count(), 0);  // no individuals are bred for the load
    Initialized = true;
  });
  target.LoadFromXML(doc.Root());
  target.LoadFromXML(doc.Root());  // initialized now: no second initialization
  EXPECT_EQ(initializations, 1);
  EXPECT_EQ(target.InitialPopulation(), 9);
}

}  // namespace
}  // namespace kx
