#include <kx/core/population.hpp>
#include <kx/xml/xml_document.hpp>
#include <kx/xml/xml_node.hpp>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Deleting or extracting the fittest individual clears the component's reference to it (the
// population forwards its notifications to its owner, and only to a genetic component).
TEST(PopulationTest, DeletingOrExtractingTheFittestIndividualClearsTheReference) {
  TKXStringList notAComponent;
  EXPECT_EQ(TKXPopulation(ItemClassOf<TKXIndividual>(), &notAComponent).Owner(), nullptr);
  TValueComponent c;
  TKXPopulation* population = c.Population();
  c.SetValues({5, 1, 3});  // minimizing: the fittest is the second
  population->Delete(0);
  EXPECT_EQ(c.FittestIndividual(), population->Items(0));  // still the same object
  population->Delete(0);
  EXPECT_EQ(c.FittestIndividual(), nullptr);
  c.SetValues({5, 1, 3});
  auto extracted = population->Extract(population->Items(1));
  EXPECT_EQ(c.FittestIndividual(), nullptr);
}

// Individuals that keep a number in the text of their element.
class TXMLValueIndividual : public TValueIndividual {
 public:
  using TValueIndividual::TValueIndividual;
  void LoadFromXML(const TXMLNode& Node) override {
    SetValue(std::stod(std::string(ElementText(Node.Node()))));
  }
  void SaveToXML(const TXMLNode& Node) override {
    SetElementText(Node.Node(), std::to_string(static_cast<int>(Value())));
  }
};

// Saving appends one element per individual, tagged with its display name; loading replaces
// the individuals, one per child element, inside one update bracket that even a failing
// individual closes.
TEST(PopulationDocument, SaveTagsByDisplayNameAndLoadReplacesInsideOneBracket) {
  TKXPopulation population(ItemClassOf<TXMLValueIndividual>());
  AsValue(population.Add())->SetValue(3);
  AsValue(population.Add())->SetValue(5);
  population.Items(0)->SetName("alpha");
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population><kept/></Population>");
  population.SaveToXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(
      NodeToXML(doc.DocumentElement()),
      "<Population><kept/><alpha>3</alpha><TValueIndividual>5</TValueIndividual></Population>");
  doc.LoadFromXML("<Population><a>7</a><!-- note --><b>9</b><c>11</c></Population>");
  population.LoadFromXML(TXMLNode(doc.DocumentElement()));
  ASSERT_EQ(population.Count(), 3);
  EXPECT_EQ(AsValue(population.Items(0))->Value() + AsValue(population.Items(2))->Value(), 18);
  doc.LoadFromXML("<Population/>");
  population.LoadFromXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(population.Count(), 0);
  doc.LoadFromXML("<Population><a>1</a><b>x</b></Population>");
  EXPECT_THROW(population.LoadFromXML(TXMLNode(doc.DocumentElement())), std::invalid_argument);
  EXPECT_EQ(population.UpdateCount(), 0);
}

}  // namespace
}  // namespace kx::testing
