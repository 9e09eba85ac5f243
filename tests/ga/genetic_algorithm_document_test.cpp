#include "ga/ga_test_support.hpp"
#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "xml/xml_test_support.hpp"

namespace kx {
namespace {

using test::BitTexts;
using test::Saved;

// The element tags under Node in document order, children in brackets, runs of one tag once.
std::string Outline(TKXXMLNode Node) {
  std::string text, last;
  for (TKXXMLNode child = Node.FirstChild(); child; child = child.NextSibling()) {
    if (child.NodeType() != TXMLNodeType::ntElement || child.NodeName() == last) continue;
    last = child.NodeName();
    text += (text.empty() ? "" : " ") + last;
    if (child.FirstChild().NodeType() == TXMLNodeType::ntElement)
      text += "(" + Outline(child) + ")";
  }
  return text;
}

TEST(GADocument, ElementsComeInTheirOrderAndBadDocumentsChangeNothingAndNameThePlace) {
  TKXGeneticAlgorithm ga;
  int calls = 0;
  test::AddFourKinds(ga, &calls);
  EXPECT_EQ(Saved(ga).find("FittestIndividual"), std::string::npos);  // none yet
  EXPECT_EQ(calls, 4);  // stale fitnesses are evaluated for the document
  ga.EvaluateFitness();
  ga.SetGeneration(3);
  const std::string text = Saved(ga);
  TKXXMLDocument doc;
  doc.LoadFromXML(text);
  const std::string genes =
      "Genes(Bits BooleanGeneValue IntegerGeneValue FloatGeneValue "
      "EnumerationGeneValue)";
  const std::string numeric = "(Name Size MinValue MaxValue PreserveSignBit";
  EXPECT_EQ(Outline(doc.DocumentElement()),
            "DiversityLimit FitnessCutoff FitnessMethod Generation UseDiversityLimit "
            "UseFitnessCutoff GenerationLimit UseGenerationLimit AvgFitness MaxFitness MinFitness "
            "Reproduction(CrossoverMethod CrossoverProbability InversionProbability "
            "MutationProbability SelectionMethod(Method ElitistPercent TournamentField)) "
            "Domain(GenoType(BooleanGene(Name Size) IntegerGene" +
                numeric + ") FloatGene" + numeric + ") EnumerationGene" + numeric +
                " Enumeration)) FittestIndividual(Name " + "Fitness " + genes +
                ") Chromosomes(Chromosome(Name Fitness " + genes + ")))");
  TKXGABits& bits = *ga.Population()->Items(1)->Bits();
  const std::string chromosome = bits.ToBitString();
  const TKXGAGenes& kinds = *ga.Genes();
  const std::string found[] = {
      "<EnumerationGene><Name>TKXGAGene</Name>", "<Chromosome><Name>TKXGAIndividual</Name>",
      "<Chromosome><Name>ind1</Name><Fitness>" + std::to_string(bits.CountOnes()) +
          "</Fitness><Genes><Bits>" + chromosome + "</Bits><BooleanGeneValue>" +
          (kinds.Items(0)->GeneAsBoolean(bits) ? "true" : "false") +
          "</BooleanGeneValue><IntegerGeneValue>" + kinds.Items(1)->AsString(bits) +
          "</IntegerGeneValue><FloatGeneValue>" + kinds.Items(2)->AsString(bits) +
          "</FloatGeneValue><EnumerationGeneValue>Red</EnumerationGeneValue></Genes>"};
  for (const std::string& part : found) EXPECT_NE(text.find(part), std::string::npos) << part;
  EXPECT_EQ(text.find("\n "), std::string::npos) << "not indented";
  // Documents that cannot load raise naming the element and the value and change nothing (an
  // undo must give back the fitnesses it cannot evaluate). The last match of a chromosome's
  // bits is its entry under Chromosomes.
  // Index 3 in the colour field (the last two bits, whichever end the text starts at).
  const std::string unnamed = "11" + chromosome.substr(2, chromosome.size() - 4) + "11";
  const std::string cases[][3] = {
      {chromosome, chromosome.substr(1), "Chromosome[2]/Genes/Bits"},
      {chromosome, unnamed, "No enumerated value found in chromosome"},
      {chromosome, "2" + chromosome.substr(1), "\"2"},
      {"Size=\"23\"", "Size=\"-5\"", "-5 at GeneticAlgorithm/Domain/GenoType/@Size"},
      {"Size=\"23\"", "Size=\"1048577\"", "1048577 is out of range (0 to 1048576) at"},
      {"<Size>8</Size>", "<Size>2000000000</Size>", "2000000000 is out of range (0 to"},
      {"<Generation>3<", "<Generation>three<",
       "\"three\" is not a valid integer value at GeneticAlgorithm/Generation"},
      {"<GenoType Size=\"23\">", "<GenoType Size=\"23\"><Gene/>", "GenoType/Gene"},
      {"<MinValue>-128<", "<MinValue>low<",
       "\"low\" is not a valid floating point value at "
       "GeneticAlgorithm/Domain/GenoType/IntegerGene/MinValue"}};
  for (const auto& [from, to, where] : cases) {
    std::string changed = text;
    ASSERT_NE(changed.rfind(from), std::string::npos) << from;
    std::stringstream stream(changed.replace(changed.rfind(from), from.size(), to));
    EXPECT_NE(testing::ErrorOf([&] { ga.LoadFromStream(stream); }).find(where), std::string::npos)
        << to;
    EXPECT_EQ(Saved(ga), text);
    EXPECT_EQ(ga.Population()->UpdateCount(), 0);
  }
}

// Loading replaces the population, recomputes fitnesses, takes each gene's natural range and
// the enumeration width from its names, and sets GeneSize from the Size attribute first.
TEST(GADocument, LoadingReplacesThePopulationDerivesRangesWidthsAndDefaultsAndInitializesOnce) {
  TKXGeneticAlgorithm source, target, fresh;
  test::AddFourKinds(source);
  target.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness& Fitness) {
    Fitness = 1000;  // the stored fitnesses must not come back
  });
  for (int i = 0; i < 5; ++i) target.Population()->Add();
  std::stringstream stream(Saved(source));
  target.LoadFromStream(stream);
  EXPECT_EQ(BitTexts(target.PreviousGeneration()), BitTexts(source.Population()));
  EXPECT_EQ(target.Population()->Items(3)->Fitness(), 1000);
  target.Genes()->Clear();
  target.SetGeneSize(30);
  EXPECT_NE(Saved(target).find("<GenoType Size=\"30\"/>"), std::string::npos);  // no genes
  TKXGAIndividual* individual = target.Population()->Items(0);
  target.SetGeneSize(10);
  individual->Bits()->SetAsBitString(0, 10, "0000000001");
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GenoType Size='20'><IntegerGene><Name>i</Name><Size>8</Size><MinValue>10</MinValue>"
      "<MaxValue>20</MaxValue><PreserveSignBit>false</PreserveSignBit></IntegerGene><FloatGene>"
      "<Name>f</Name><Size>6</Size><PreserveSignBit>TRUE</PreserveSignBit></FloatGene>"
      "<EnumerationGene><Name>e</Name><Size>7</Size><MinValue>4</MinValue><MaxValue>9</MaxValue>"
      "<Enumeration>a</Enumeration><Enumeration>b</Enumeration><Enumeration>c</Enumeration>"
      "<Enumeration>d</Enumeration><Enumeration>e</Enumeration></EnumerationGene>"
      "<BooleanGene><Name>b</Name><Size>1</Size></BooleanGene></GenoType>");
  TKXGAGenes& genes = *target.Genes();
  genes.LoadFromXML(GetGenoType(doc));
  // The natural range 0 .. 255, not the stored 10 .. 20; BitsRequired(5) bits, not the stored
  // 7, and a maximum of names - 1 as of the last width change; GeneSize 20 from the attribute,
  // grown to 21 while the enumeration gene still had its 7 bits.
  const auto gene = [&genes](std::int32_t Index) { return genes.Items(Index); };
  EXPECT_EQ((std::vector<double>{gene(0)->MinValue(), gene(0)->MaxValue(), gene(1)->MinValue(),
                                 double(gene(2)->Size()), gene(2)->MaxValue(),
                                 double(gene(3)->Offset()), double(target.GeneSize())}),
            (std::vector<double>{0, 255, -32, 3, 3, 17, 21}));
  EXPECT_EQ(individual->Bits()->ToBitString(), "000000000100000000000");  // grown, not cut
  doc.LoadFromXML("<GenoType/>");  // a missing Size reads as 0
  genes.LoadFromXML(GetGenoType(doc));
  EXPECT_EQ(individual->Bits()->Size(), 0);
  doc.LoadFromXML(
      "<GeneticAlgorithm><Reproduction><InversionProbability>0.5</InversionProbability>"
      "<SelectionMethod><TournamentField>1</TournamentField></SelectionMethod>"
      "</Reproduction></GeneticAlgorithm>");
  test::SetAll(target, &test::TGA::SetCrossoverMethod, cmWordBoundary,
               &test::TGA::SetSelectionMethod, smRandom);
  const TXMLGeneticAlgorithm root = GetGeneticAlgorithm(doc);
  target.LoadFromXML(root);
  // A missing crossover method reads as the first name, a missing probability as 0; a missing
  // selection method keeps the component's; a tournament field below 2 becomes 2; unknown
  // names keep both methods.
  EXPECT_EQ(
      std::tuple(target.CrossoverMethod(), target.CrossoverProbability(),
                 target.InversionProbability(), target.SelectionMethod(), target.TournamentField()),
      std::tuple(cmGeneBoundary, 0.0, 0.5, smRandom, 2));
  root.Reproduction().SetCrossoverMethod("CMWORDBOUNDARY");  // names ignore case
  target.LoadFromXML(root);
  EXPECT_EQ(target.CrossoverMethod(), cmWordBoundary);
  root.Reproduction().SetCrossoverMethod("cmNowhere");
  root.Reproduction().SelectionMethod().SetMethod("smNobody");
  target.LoadFromXML(root);
  EXPECT_EQ(std::pair(target.CrossoverMethod(), target.SelectionMethod()),
            std::pair(cmWordBoundary, smRandom));
  target.Population()->Add();
  target.Population()->LoadFromXML(TXMLNode(root.Reproduction().Node()));  // not Chromosomes
  EXPECT_EQ(target.Population()->Count(), 1);
  // A domain loaded into a component not yet initialized initializes it without breeding
  // individuals, once, and restores InitialPopulation even when the initialization fails.
  TXMLDocumentBinding<TXMLGADomainType> domain = NewGADomain();
  source.SaveToXML(domain.Root());
  fresh.SetInitialPopulation(9);
  std::vector<std::int32_t> seen;  // the population count at each initialization
  fresh.SetOnInitialization([&](TKXObject*, bool& Initialized) {
    seen.push_back(fresh.Population()->Count());
    if (seen.size() == 1) throw std::runtime_error("refused");
    Initialized = true;
  });
  EXPECT_THROW(fresh.LoadFromXML(domain.Root()), std::runtime_error);
  seen.push_back(fresh.InitialPopulation());
  fresh.LoadFromXML(domain.Root());
  fresh.LoadFromXML(domain.Root());  // initialized now: no second initialization
  seen.push_back(fresh.InitialPopulation());
  EXPECT_EQ(seen, (std::vector<std::int32_t>{0, 9, 0, 9}));
}

}  // namespace
}  // namespace kx
