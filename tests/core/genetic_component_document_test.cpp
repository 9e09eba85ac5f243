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
  std::string actual;
  for (const std::string& tag : ChildTags(doc.Root().Node())) {
    actual += tag + "=" + std::string(ElementText(doc.Root().Node().child(tag.c_str()))) + " ";
  }
  EXPECT_EQ(actual,
            "DiversityLimit=0.0199999995529652 FitnessCutoff=1 FitnessMethod=fmMinimize "
            "Generation=0 UseDiversityLimit=false UseFitnessCutoff=false GenerationLimit=0 "
            "UseGenerationLimit=false AvgFitness=3 MaxFitness=6 MinFitness=1 ");
}

TEST(GeneticComponentDocument, HeaderRoundTripsThroughStreamsAndFiles) {
  TValueComponent source;
  Configure(source);
  source.SetValues({4, 8});
  std::stringstream stream;
  source.SaveToStream(stream);
  const std::string text = stream.str();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\"", 0), 0u) << text;
  EXPECT_NE(text.find("<GeneticDocument>\n  <DiversityLimit>"), std::string::npos) << text;

  TValueComponent target;
  target.SetValues({100});
  target.LoadFromStream(stream);
  EXPECT_EQ(target.DiversityLimit(), static_cast<double>(0.3f));
  EXPECT_EQ(target.FitnessCutoff(), 12.5);
  EXPECT_EQ(target.FitnessMethod(), fmWeightedMaximize);
  EXPECT_EQ(target.Generation(), 17);
  EXPECT_TRUE(target.UseDiversityLimit() && target.UseFitnessCutoff());
  EXPECT_EQ(target.GenerationLimit(), 250);
  EXPECT_TRUE(target.UseGenerationLimit());
  EXPECT_EQ(target.MaxFitness(), 100);  // the statistics are never read back

  TempFolder folder;
  source.SaveToFile(folder.File("run.xml"));
  TKXCustomGeneticComponent fromFile;
  fromFile.LoadFromFile(folder.File("run.xml"));
  EXPECT_EQ(fromFile.GenerationLimit(), 250);
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
  EXPECT_FALSE(limited.UseDiversityLimit() || limited.UseFitnessCutoff());
  EXPECT_FALSE(limited.UseGenerationLimit());
  EXPECT_EQ(limited.GenerationLimit(), 1);  // the setter's minimum

  // A limit that is still 0 stays 0: the setter ignores an unchanged value.
  TKXCustomGeneticComponent fresh;
  fresh.LoadFromXML(GetGeneticDocument(doc));
  EXPECT_EQ(fresh.GenerationLimit(), 0);

  // The fitness method changes only for a value name, in any letter case.
  const TXMLGeneticDocumentType root = GetGeneticDocument(doc);
  for (const char* name : {"FMWEIGHTEDMINIMIZE", "fmNothing", "1", " fmMinimize"}) {
    root.SetFitnessMethod(name);
    fresh.LoadFromXML(root);
  }
  EXPECT_EQ(fresh.FitnessMethod(), fmWeightedMinimize);
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

TEST(GeneticComponentDocument, BadInputRaisesBeforeAnySettingChanges) {
  TempFolder folder;
  TKXCustomGeneticComponent component;
  for (const char* text : {"<GeneticDocument><Generation>5</Generation>", "",
                           "<GeneticAlgorithm><Generation>5</Generation></GeneticAlgorithm>"}) {
    std::istringstream stream(text);
    EXPECT_THROW(component.LoadFromStream(stream), EXMLError) << text;
    WriteFile(folder.File("bad.xml"), text);
    EXPECT_THROW(component.LoadFromFile(folder.File("bad.xml")), EXMLError) << text;
  }
  EXPECT_THROW(component.LoadFromFile(folder.File("missing.xml")), EXMLError);
  EXPECT_EQ(component.Generation(), 0);
}

TEST(GeneticComponentDocument, SaveToFileWritesTheSubclassStreamAndKeepsTheOldFileOnFailure) {
  // Writes a text of its own, failing halfway through the second time.
  struct TCustomStream : TKXCustomGeneticComponent {
    int Saves = 0;
    void SaveToStream(std::ostream& Stream) override {
      Stream << "<custom>";
      if (Saves++ > 0) throw std::runtime_error("disk full");
      Stream << "</custom>";
    }
  } component;
  TempFolder folder;
  component.SaveToFile(folder.File("run.xml"));
  EXPECT_THROW(component.SaveToFile(folder.File("run.xml")), std::runtime_error);
  EXPECT_EQ(ReadFile(folder.File("run.xml")), "<custom></custom>");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"run.xml"});  // no temporary left
  EXPECT_THROW(TKXCustomGeneticComponent().SaveToFile(folder.File("no/such/run.xml")), EXMLError);
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

  doc.LoadFromXML("<Population/>");
  component.Population()->LoadFromXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(component.Population()->Count(), 0);  // no child elements: no individuals

  // A failing individual still closes the bracket.
  doc.LoadFromXML("<Population><a>1</a><b>x</b></Population>");
  EXPECT_THROW(component.Population()->LoadFromXML(TXMLNode(doc.DocumentElement())),
               std::invalid_argument);
  EXPECT_EQ(component.Population()->UpdateCount(), 0);
}

}  // namespace
}  // namespace kx
