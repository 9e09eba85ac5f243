#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/core_test_support.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_node.hpp"
#include "xml/xml_test_support.hpp"

namespace kx {
namespace {

using test::ChildTags;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;
using testing::TValueComponent;

std::string Text(const TXMLNode& Element, const char* Tag) {
  return std::string(ElementText(Element.Node().child(Tag)));
}

// A component with every header setting away from its default.
void Configure(TKXCustomGeneticComponent& Component) {
  Component.SetDiversityLimit(0.3);
  Component.SetFitnessCutoff(12.5);
  Component.SetFitnessMethod(fmWeightedMaximize);
  Component.SetGeneration(17);
  Component.SetUseDiversityLimit(true);
  Component.SetUseFitnessCutoff(true);
  Component.SetGenerationLimit(250);
  Component.SetUseGenerationLimit(true);
}

TEST(GeneticComponentDocument, HeaderIsWrittenInItsFixedOrder) {
  TValueComponent component;
  component.SetValues({1, 2, 6});
  TXMLDocumentBinding<TXMLGeneticDocumentType> doc = NewGeneticDocument();
  component.SaveToXML(doc.Root());
  EXPECT_EQ(
      ChildTags(doc.Root().Node()),
      (std::vector<std::string>{"DiversityLimit", "FitnessCutoff", "FitnessMethod", "Generation",
                                "UseDiversityLimit", "UseFitnessCutoff", "GenerationLimit",
                                "UseGenerationLimit", "AvgFitness", "MaxFitness", "MinFitness"}));
  const TXMLNode root = doc.Root();
  EXPECT_EQ(Text(root, "DiversityLimit"), "0.0199999995529652");
  EXPECT_EQ(Text(root, "FitnessCutoff"), "1");
  EXPECT_EQ(Text(root, "FitnessMethod"), "fmMinimize");
  EXPECT_EQ(Text(root, "Generation"), "0");
  EXPECT_EQ(Text(root, "UseDiversityLimit"), "false");
  EXPECT_EQ(Text(root, "UseFitnessCutoff"), "false");
  EXPECT_EQ(Text(root, "GenerationLimit"), "0");
  EXPECT_EQ(Text(root, "UseGenerationLimit"), "false");
  EXPECT_EQ(Text(root, "AvgFitness"), "3");
  EXPECT_EQ(Text(root, "MaxFitness"), "6");
  EXPECT_EQ(Text(root, "MinFitness"), "1");
}

TEST(GeneticComponentDocument, HeaderRoundTripsThroughAnotherComponent) {
  TValueComponent source;
  Configure(source);
  source.SetValues({4, 8});
  TXMLDocumentBinding<TXMLGeneticDocumentType> doc = NewGeneticDocument();
  source.SaveToXML(doc.Root());

  TValueComponent target;
  target.SetValues({100});
  target.LoadFromXML(doc.Root());
  EXPECT_EQ(target.DiversityLimit(), static_cast<double>(0.3f));
  EXPECT_EQ(target.FitnessCutoff(), 12.5);
  EXPECT_EQ(target.FitnessMethod(), fmWeightedMaximize);
  EXPECT_EQ(target.Generation(), 17);
  EXPECT_TRUE(target.UseDiversityLimit());
  EXPECT_TRUE(target.UseFitnessCutoff());
  EXPECT_EQ(target.GenerationLimit(), 250);
  EXPECT_TRUE(target.UseGenerationLimit());
  // The statistics are written for readers, never read back.
  EXPECT_EQ(target.MaxFitness(), 100);
  EXPECT_EQ(target.MinFitness(), 100);
  // Settings outside the header stay.
  EXPECT_EQ(target.MutationProbability(), MUTATION_PROBABILITY);
}

TEST(GeneticComponentDocument, MissingElementsReadAsZeroThroughTheSetters) {
  TKXXMLDocument doc;
  doc.LoadFromXML("<GeneticDocument><FitnessCutoff>2</FitnessCutoff></GeneticDocument>");
  TKXCustomGeneticComponent limited;
  Configure(limited);
  limited.LoadFromXML(GetGeneticDocument(doc));
  EXPECT_EQ(limited.DiversityLimit(), 0);
  EXPECT_EQ(limited.FitnessCutoff(), 2);
  EXPECT_EQ(limited.FitnessMethod(), fmWeightedMaximize);  // empty name: unchanged
  EXPECT_EQ(limited.Generation(), 0);
  EXPECT_FALSE(limited.UseDiversityLimit());
  EXPECT_FALSE(limited.UseFitnessCutoff());
  EXPECT_FALSE(limited.UseGenerationLimit());
  EXPECT_EQ(limited.GenerationLimit(), 1);  // the setter's minimum

  // A limit that is still 0 stays 0: the setter ignores an unchanged value.
  TKXCustomGeneticComponent fresh;
  fresh.LoadFromXML(GetGeneticDocument(doc));
  EXPECT_EQ(fresh.GenerationLimit(), 0);
}

TEST(GeneticComponentDocument, FitnessMethodChangesOnlyForAValueName) {
  TKXXMLDocument doc;
  doc.LoadFromXML("<GeneticDocument/>");
  const TXMLGeneticDocumentType root = GetGeneticDocument(doc);
  TKXCustomGeneticComponent component;
  component.SetFitnessMethod(fmMaximize);
  for (const char* name : {"fmNothing", "", "1", " fmMinimize"}) {
    root.SetFitnessMethod(name);
    component.LoadFromXML(root);
    EXPECT_EQ(component.FitnessMethod(), fmMaximize) << name;
  }
  root.SetFitnessMethod("fmWeightedMinimize");
  component.LoadFromXML(root);
  EXPECT_EQ(component.FitnessMethod(), fmWeightedMinimize);
  // Letter case is not significant.
  root.SetFitnessMethod("FMMAXIMIZE");
  component.LoadFromXML(root);
  EXPECT_EQ(component.FitnessMethod(), fmMaximize);
}

TEST(GeneticComponentDocument, LoadingClampsAndFailsAtTheFirstBadNumber) {
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GeneticDocument><DiversityLimit>7</DiversityLimit><FitnessCutoff>-3</FitnessCutoff>"
      "<Generation>many</Generation><GenerationLimit>9</GenerationLimit></GeneticDocument>");
  TKXCustomGeneticComponent component;
  EXPECT_THROW(component.LoadFromXML(GetGeneticDocument(doc)), EConvertError);
  EXPECT_EQ(component.DiversityLimit(), 1);  // clamped, read before the failure
  EXPECT_EQ(component.FitnessCutoff(), -3);
  EXPECT_EQ(component.GenerationLimit(), 0);  // after the failure: not reached
}

TEST(GeneticComponentDocument, StreamIsAnIndentedGeneticDocumentThatReadsBack) {
  TKXCustomGeneticComponent source;
  Configure(source);
  std::stringstream stream;
  source.SaveToStream(stream);
  const std::string text = stream.str();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\"", 0), 0u) << text;
  EXPECT_NE(text.find("<GeneticDocument>\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n  <DiversityLimit>"), std::string::npos) << text;

  TKXCustomGeneticComponent target;
  target.LoadFromStream(stream);
  EXPECT_EQ(target.FitnessCutoff(), 12.5);
  EXPECT_EQ(target.Generation(), 17);
  EXPECT_EQ(target.FitnessMethod(), fmWeightedMaximize);
}

TEST(GeneticComponentDocument, BadStreamsRaiseBeforeAnySettingChanges) {
  TKXCustomGeneticComponent component;
  std::istringstream malformed("<GeneticDocument><Generation>5</Generation>");
  EXPECT_THROW(component.LoadFromStream(malformed), EXMLError);
  std::istringstream otherRoot("<GeneticAlgorithm><Generation>5</Generation></GeneticAlgorithm>");
  EXPECT_THROW(component.LoadFromStream(otherRoot), EXMLError);
  std::istringstream empty("");
  EXPECT_THROW(component.LoadFromStream(empty), EXMLError);
  EXPECT_EQ(component.Generation(), 0);
  EXPECT_EQ(component.DiversityLimit(), DEFAULT_DIVERSITY_LIMIT);
}

TEST(GeneticComponentDocument, FilesRoundTripAndBadFilesChangeNothing) {
  TempFolder folder;
  const std::string file = folder.File("run.xml");
  TKXCustomGeneticComponent source;
  Configure(source);
  source.SaveToFile(file);
  TKXCustomGeneticComponent target;
  target.LoadFromFile(file);
  EXPECT_EQ(target.Generation(), 17);
  EXPECT_EQ(target.GenerationLimit(), 250);

  TKXCustomGeneticComponent untouched;
  EXPECT_THROW(untouched.LoadFromFile(folder.File("missing.xml")), EXMLError);
  WriteFile(folder.File("broken.xml"), "<GeneticDocument><Generation>5</Generation>");
  EXPECT_THROW(untouched.LoadFromFile(folder.File("broken.xml")), EXMLError);
  WriteFile(folder.File("other.xml"), "<GADomain><Generation>5</Generation></GADomain>");
  EXPECT_THROW(untouched.LoadFromFile(folder.File("other.xml")), EXMLError);
  EXPECT_EQ(untouched.Generation(), 0);
}

// Writes a text of its own, and can be told to fail halfway through.
class TCustomStreamComponent : public TKXCustomGeneticComponent {
 public:
  void SaveToStream(std::ostream& Stream) override {
    Stream << "<custom>";
    if (Fail) throw std::runtime_error("disk full");
    Stream << "</custom>";
  }
  bool Fail = false;
};

TEST(GeneticComponentDocument, SaveToFileWritesTheSubclassStreamAndKeepsTheOldFileOnFailure) {
  TempFolder folder;
  const std::string file = folder.File("run.xml");
  TCustomStreamComponent component;
  component.SaveToFile(file);
  EXPECT_EQ(ReadFile(file), "<custom></custom>");

  component.Fail = true;
  EXPECT_THROW(component.SaveToFile(file), std::runtime_error);
  EXPECT_EQ(ReadFile(file), "<custom></custom>");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"run.xml"});  // no temporary left

  TKXCustomGeneticComponent plain;
  EXPECT_THROW(plain.SaveToFile(folder.File("no/such/folder/run.xml")), EXMLError);
}

// Individuals that keep a number in the text of their element.
class TXMLValueIndividual : public testing::TValueIndividual {
 public:
  using TValueIndividual::TValueIndividual;
  void LoadFromXML(const TXMLNode& Node) override {
    SetValue(std::stod(std::string(ElementText(Node.Node()))));
  }
  void SaveToXML(const TXMLNode& Node) override {
    SetElementText(Node.Node(), std::to_string(static_cast<int>(Value())));
  }
};

class TXMLValueComponent : public TValueComponent {
 public:
  int Updates = 0;

 protected:
  std::unique_ptr<TKXPopulation> CreatePopulation(TKXItemClass /*ItemClass*/) override {
    return std::make_unique<TKXPopulation>(ItemClassOf<TXMLValueIndividual>(), this);
  }
  void PopulationUpdate(TKXIndividual* Item) override {
    ++Updates;
    TValueComponent::PopulationUpdate(Item);
  }
};

TEST(PopulationDocument, SaveAppendsOneElementPerIndividualTaggedWithItsDisplayName) {
  TXMLValueComponent component;
  component.SetValues({3, 5});
  component.Population()->Items(0)->SetName("alpha");
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population><kept/></Population>");
  component.Population()->SaveToXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(
      NodeToXML(doc.DocumentElement()),
      "<Population><kept/><alpha>3</alpha><TValueIndividual>5</TValueIndividual></Population>");
}

TEST(PopulationDocument, LoadReplacesTheIndividualsInsideOneUpdateBracket) {
  TXMLValueComponent component;
  component.SetValues({1, 2, 3, 4, 5});
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population><a>7</a><!-- note --><b>9</b><c>11</c></Population>");
  component.Updates = 0;
  component.Population()->LoadFromXML(TXMLNode(doc.DocumentElement()));
  ASSERT_EQ(component.Population()->Count(), 3);
  EXPECT_EQ(component.At(0)->Value(), 7);
  EXPECT_EQ(component.At(2)->Value(), 11);
  EXPECT_EQ(component.Updates, 1);  // the bracket's closing report only

  // A failing individual still closes the bracket.
  doc.LoadFromXML("<Population><a>1</a><b>x</b></Population>");
  EXPECT_THROW(component.Population()->LoadFromXML(TXMLNode(doc.DocumentElement())),
               std::invalid_argument);
  EXPECT_EQ(component.Population()->UpdateCount(), 0);
}

TEST(PopulationDocument, BaseIndividualsReadAndWriteNothing) {
  TValueComponent component;
  component.SetValues({3});
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population/>");
  component.Population()->SaveToXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(NodeToXML(doc.DocumentElement()), "<Population><TValueIndividual/></Population>");
}

}  // namespace
}  // namespace kx
