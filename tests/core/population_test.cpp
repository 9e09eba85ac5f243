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
  TKXStringList notAComponent;
  TKXPopulation population(ItemClassOf<TKXIndividual>(), &notAComponent);
  EXPECT_EQ(population.Owner(), nullptr);
  EXPECT_EQ(population.Add()->Fitness(), 0);
}

TEST(PopulationTest, ForwardsNotificationsAndChangesToTheOwner) {
  TRecordingComponent component;
  TKXPopulation* population = component.Population();
  TKXIndividual* item = population->Add();
  using Entry = std::pair<TKXIndividual*, TCollectionNotification>;
  EXPECT_EQ(component.Notifications,
            (std::vector<Entry>{{item, TCollectionNotification::cnAdded}}));
  component.Updates.clear();
  item->Modified();
  EXPECT_EQ(component.Updates, std::vector<TKXIndividual*>{item});

  component.Updates.clear();
  population->BeginUpdate();
  item->Modified();
  item->SetName("x");
  EXPECT_TRUE(component.Updates.empty());
  population->EndUpdate();
  EXPECT_EQ(component.Updates, std::vector<TKXIndividual*>{nullptr});

  component.Notifications.clear();
  population->Delete(0);
  ASSERT_FALSE(component.Notifications.empty());
  EXPECT_EQ(component.Notifications[0].second, TCollectionNotification::cnDeleting);
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
