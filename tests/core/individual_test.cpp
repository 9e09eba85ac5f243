#include <kx/core/individual.hpp>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

class IndividualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Component.SetValues({4, 7});
    Component.Evaluations = 0;
  }
  TValueComponent Component;
};

// Renaming to the same name changes nothing; names compare case-sensitively; a failing
// handler leaves the fitness stale.
TEST_F(IndividualTest, TheRawFitnessIsCachedUntilModifiedOrRenamed) {
  TValueIndividual* item = AsValue(Component.Population()->Add());
  item->SetValue(3);
  EXPECT_EQ(item->Fitness() + item->Fitness(), 6);
  EXPECT_EQ(Component.Evaluations, 1);
  item->Modified();
  EXPECT_EQ(item->Fitness(), 3);
  EXPECT_EQ(Component.Evaluations, 2);
  item->SetName("alpha");
  item->Fitness();
  item->SetName("alpha");
  EXPECT_FALSE(item->NeedFitness());
  item->SetName("Alpha");
  EXPECT_TRUE(item->NeedFitness());
  Component.SetOnEvaluateFitness(
      [](TKXObject*, TKXIndividual*, TGAFitness&) { throw std::runtime_error("failed"); });
  EXPECT_THROW(item->Fitness(), std::runtime_error);
  EXPECT_TRUE(item->NeedFitness());
}

// Once it joins an owned population the stale fitness is computed.
TEST_F(IndividualTest, OutsideAnOwnedPopulationTheFitnessIsZeroAndStaysStale) {
  TValueIndividual detached;
  detached.SetValue(9);
  EXPECT_EQ(detached.Fitness() + detached.AdjustedFitness() + detached.WeightedFitness(), 0);
  TKXPopulation unowned(ItemClassOf<TValueIndividual>());
  TValueIndividual* member = AsValue(unowned.Add());
  member->SetValue(9);
  EXPECT_EQ(member->Fitness(), 0);
  EXPECT_TRUE(member->NeedFitness());
  Component.Population()->AddItem(member->SetCollection(nullptr));
  EXPECT_EQ(member->Fitness(), 9);
  EXPECT_EQ(Component.Evaluations, 1);
}

// Assign reads a stale source once and copies fitness, staleness and name; Clone adds a copy
// of the population's item class; a stale source outside an owned population hands on its
// staleness; other sources raise and change nothing.
TEST_F(IndividualTest, AssignCopiesFitnessStalenessAndNameAndCloneAddsACopy) {
  TValueIndividual* source = Component.At(0);
  TValueIndividual* target = Component.At(1);
  source->SetName("parent");
  target->Assign(source);
  EXPECT_EQ(Component.Evaluations, 1);
  EXPECT_FALSE(target->NeedFitness());
  EXPECT_EQ(target->Fitness(), 4);
  EXPECT_EQ(target->Name(), "parent");
  TKXIndividual* clone = target->Clone();
  EXPECT_EQ(Component.Population()->Count(), 3);
  EXPECT_EQ(AsValue(clone)->Value() + clone->Fitness(), 8);
  EXPECT_EQ(Component.Evaluations, 1);
  TValueIndividual detached;
  detached.SetValue(2);
  detached.SetName("orphan");
  target->Assign(&detached);
  EXPECT_TRUE(target->NeedFitness());
  EXPECT_EQ(target->Fitness(), 2);
  EXPECT_THROW(detached.Clone(), EListError);
  TKXStringList other;
  EXPECT_THROW(target->Assign(&other), EConvertError);
  EXPECT_EQ(target->Name(), "orphan");
  EXPECT_FALSE(target->NeedFitness());
}

}  // namespace
}  // namespace kx::testing
