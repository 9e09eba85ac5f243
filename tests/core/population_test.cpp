#include <kx/core/population.hpp>
#include <kx/xml/xml_document.hpp>
#include <kx/xml/xml_node.hpp>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Records what the populations tell their owner.
class TRecordingComponent : public TValueComponent {
 public:
  std::vector<std::pair<TKXIndividual*, TCollectionNotification>> Notifications;
  std::vector<TKXIndividual*> Updates;

 protected:
  void PopulationNotify(TKXIndividual* Item, TCollectionNotification Action) override {
    Notifications.emplace_back(Item, Action);
    TValueComponent::PopulationNotify(Item, Action);
  }
  void PopulationUpdate(TKXIndividual* Item) override { Updates.push_back(Item); }
};

TEST(PopulationTest, ForwardsNotificationsAndChangesToTheOwningComponentOnly) {
  TKXStringList notAComponent;
  EXPECT_EQ(TKXPopulation(ItemClassOf<TKXIndividual>(), &notAComponent).Owner(), nullptr);

  TRecordingComponent component;
  TKXPopulation* population = component.Population();
  TKXIndividual* item = population->Add();
  component.Updates.clear();
  item->Modified();
  population->BeginUpdate();
  item->SetName("x");
  population->EndUpdate();
  EXPECT_EQ(component.Updates, (std::vector<TKXIndividual*>{item, nullptr}));
  population->Delete(0);
  using Entry = std::pair<TKXIndividual*, TCollectionNotification>;
  ASSERT_GE(component.Notifications.size(), 2u);
  EXPECT_EQ(component.Notifications[0], (Entry{item, TCollectionNotification::cnAdded}));
  EXPECT_EQ(component.Notifications[1].second, TCollectionNotification::cnDeleting);
}

TEST(PopulationTest, DeletingOrExtractingTheFittestIndividualClearsTheReference) {
  TValueComponent component;
  component.SetValues({5, 1, 3});  // minimizing: the fittest is the second
  TKXPopulation* population = component.Population();
  ASSERT_EQ(component.FittestIndividual(), population->Items(1));
  population->Delete(0);
  EXPECT_EQ(component.FittestIndividual(), population->Items(0));  // still the same object
  population->Delete(0);
  EXPECT_EQ(component.FittestIndividual(), nullptr);

  component.SetValues({5, 1, 3});
  auto extracted = population->Extract(population->Items(1));
  EXPECT_EQ(component.FittestIndividual(), nullptr);
}

// Individuals that keep a number in the text of their element, in a population that counts
// its change reports.
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

struct TCountingPopulation : TKXPopulation {
  TCountingPopulation() : TKXPopulation(ItemClassOf<TXMLValueIndividual>()) {}
  int Updates = 0;
  void Update(TKXCollectionItem* Item) override {
    ++Updates;
    TKXPopulation::Update(Item);
  }
};

TEST(PopulationDocument, SaveAppendsOneElementPerIndividualTaggedWithItsDisplayName) {
  TCountingPopulation population;
  AsValue(population.Add())->SetValue(3);
  AsValue(population.Add())->SetValue(5);
  population.Items(0)->SetName("alpha");
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population><kept/></Population>");
  population.SaveToXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(
      NodeToXML(doc.DocumentElement()),
      "<Population><kept/><alpha>3</alpha><TValueIndividual>5</TValueIndividual></Population>");
}

TEST(PopulationDocument, LoadReplacesTheIndividualsInsideOneUpdateBracket) {
  TCountingPopulation population;
  for (int i = 0; i < 5; ++i) population.Add();
  TKXXMLDocument doc;
  doc.LoadFromXML("<Population><a>7</a><!-- note --><b>9</b><c>11</c></Population>");
  population.Updates = 0;
  population.LoadFromXML(TXMLNode(doc.DocumentElement()));
  ASSERT_EQ(population.Count(), 3);
  EXPECT_EQ(AsValue(population.Items(0))->Value(), 7);
  EXPECT_EQ(AsValue(population.Items(2))->Value(), 11);
  EXPECT_EQ(population.Updates, 1);  // the bracket's closing report only

  doc.LoadFromXML("<Population/>");
  population.LoadFromXML(TXMLNode(doc.DocumentElement()));
  EXPECT_EQ(population.Count(), 0);  // no child elements: no individuals

  // A failing individual still closes the bracket.
  doc.LoadFromXML("<Population><a>1</a><b>x</b></Population>");
  EXPECT_THROW(population.LoadFromXML(TXMLNode(doc.DocumentElement())), std::invalid_argument);
  EXPECT_EQ(population.UpdateCount(), 0);
}

}  // namespace
}  // namespace kx::testing
