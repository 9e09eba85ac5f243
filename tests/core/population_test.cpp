#include <gtest/gtest.h>

#include <kx/core/population.hpp>
#include <kx/host/string_list.hpp>
#include <utility>
#include <vector>

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

TEST(PopulationTest, OwnerIsTheGeneticComponentOnly) {
  TValueComponent component;
  EXPECT_EQ(component.Population()->Owner(), &component);
  TKXStringList notAComponent;
  TKXPopulation population(ItemClassOf<TKXIndividual>(), &notAComponent);
  EXPECT_EQ(population.Owner(), nullptr);
  EXPECT_EQ(population.Add()->Fitness(), 0);
}

TEST(PopulationTest, ForwardsNotificationsAndChangesToTheOwner) {
  TRecordingComponent component;
  TKXPopulation* population = component.Population();
  TKXIndividual* item = population->Add();
  ASSERT_EQ(component.Notifications.size(), 1u);
  EXPECT_EQ(component.Notifications[0].first, item);
  EXPECT_EQ(component.Notifications[0].second, TCollectionNotification::cnAdded);

  component.Updates.clear();
  item->Modified();
  ASSERT_EQ(component.Updates.size(), 1u);
  EXPECT_EQ(component.Updates[0], item);

  component.Updates.clear();
  population->BeginUpdate();
  item->Modified();
  item->SetName("x");
  EXPECT_TRUE(component.Updates.empty());
  population->EndUpdate();
  ASSERT_EQ(component.Updates.size(), 1u);
  EXPECT_EQ(component.Updates[0], nullptr);

  component.Notifications.clear();
  population->Delete(0);
  ASSERT_GE(component.Notifications.size(), 1u);
  EXPECT_EQ(component.Notifications[0].second, TCollectionNotification::cnDeleting);
}

TEST(PopulationTest, TypedAccessAndLookupByID) {
  TValueComponent component;
  component.SetValues({1, 2, 3});
  TKXPopulation* population = component.Population();
  TKXIndividual* second = population->Items(1);
  EXPECT_EQ(population->FindItemID(second->ID()), second);
  EXPECT_EQ(population->FindItemID(12345), nullptr);
  TKXIndividual* inserted = population->Insert(0);
  EXPECT_EQ(population->Items(0), inserted);

  population->SetItems(0, population->Items(3));  // assigns, keeps its own object
  EXPECT_EQ(population->Items(0), inserted);
  EXPECT_EQ(AsValue(inserted)->Value(), 3);
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

}  // namespace
}  // namespace kx::testing
