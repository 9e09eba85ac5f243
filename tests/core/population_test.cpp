#include <kx/core/population.hpp>
#include <kx/xml/xml_document.hpp>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// The population forwards its changes and notifications to its owner, and only to a genetic
// component: extracting (or deleting) the fittest individual clears the reference to it.
TEST(PopulationTest, TheFittestReferenceIsClearedAndDocumentsTagIndividualsByDisplayName) {
  TValueComponent c;
  TKXPopulation* population = c.Population();
  EXPECT_EQ(TKXPopulation(ItemClassOf<TKXIndividual>(), population).Owner(), nullptr);
  c.SetValues({5, 1, 3});  // minimizing: the fittest is the second
  const int updates = c.Updates;
  c.At(2)->Modified();
  EXPECT_EQ(c.Updates, updates + 1);
  population->Delete(0);
  EXPECT_EQ(c.FittestIndividual(), population->Items(0));  // still the same object
  auto extracted = population->Extract(population->Items(0));
  EXPECT_EQ(c.FittestIndividual(), nullptr);
  // Saving appends one element per individual, tagged with its display name; loading replaces
  // the individuals, one per child element, inside one update bracket that even a failing
  // individual closes.
  TKXPopulation saved(ItemClassOf<TValueIndividual>());
  AsValue(saved.Add())->SetValue(3);
  AsValue(saved.Add())->SetValue(5);
  saved.Items(0)->SetName("alpha");
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population><kept/></Population>");
  saved.SaveToXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(
      NodeToXML(doc.DocumentElement()),
      "<Population><kept/><alpha>3</alpha><TValueIndividual>5</TValueIndividual></Population>");
  doc.LoadFromXML("<Population><a>7</a><!-- note --><b>9</b><c>11</c></Population>");
  saved.LoadFromXML(TXMLNode(doc.DocumentElement()));
  ASSERT_EQ(saved.Count(), 3);
  EXPECT_EQ(AsValue(saved.Items(0))->Value() + AsValue(saved.Items(2))->Value(), 18);
  doc.LoadFromXML("<Population><a>1</a><b>x</b></Population>");
  EXPECT_THROW(saved.LoadFromXML(TXMLNode(doc.DocumentElement())), std::invalid_argument);
  EXPECT_EQ(saved.UpdateCount(), 0);
}

}  // namespace
}  // namespace kx::testing
