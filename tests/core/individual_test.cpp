#include <gtest/gtest.h>

#include <kx/core/individual.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/string_list.hpp>
#include <stdexcept>

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

TEST_F(IndividualTest, NewIndividualIsEvaluatedOnceUntilModified) {
  TValueIndividual* item = AsValue(Component.Population()->Add());
  EXPECT_TRUE(item->NeedFitness());
  item->SetValue(3);
  EXPECT_EQ(item->Fitness(), 3);
  EXPECT_EQ(item->Fitness(), 3);
  EXPECT_EQ(Component.Evaluations, 1);
  EXPECT_FALSE(item->NeedFitness());

  item->Modified();
  EXPECT_TRUE(item->NeedFitness());
  EXPECT_EQ(item->Fitness(), 3);
  EXPECT_EQ(Component.Evaluations, 2);
}

TEST_F(IndividualTest, WeightedFitnessIsEvaluatedOnEveryRead) {
  int weighted = 0;
  Component.SetOnEvaluateWeightedFitness(
      [&](TKXObject* Sender, TKXIndividual* Item, TGAFitness& F) {
        EXPECT_EQ(Sender, &Component);
        ++weighted;
        F = Item->Fitness() * 10;
      });
  TKXIndividual* item = Component.Population()->Items(0);
  EXPECT_EQ(item->WeightedFitness(), 40);
  EXPECT_EQ(item->WeightedFitness(), 40);
  EXPECT_EQ(weighted, 2);
  EXPECT_EQ(Component.Evaluations, 0);  // the raw fitness stays cached
}

TEST_F(IndividualTest, RenamingToTheSameNameKeepsTheCache) {
  TKXIndividual* item = Component.Population()->Items(0);
  item->SetName("");
  EXPECT_FALSE(item->NeedFitness());
  item->SetName("alpha");
  EXPECT_TRUE(item->NeedFitness());
  item->Fitness();
  item->SetName("alpha");
  EXPECT_FALSE(item->NeedFitness());
  item->SetName("Alpha");  // names compare case-sensitively
  EXPECT_TRUE(item->NeedFitness());
}

TEST_F(IndividualTest, OutsideAnOwnedPopulationEveryFitnessIsZeroAndStaysStale) {
  TValueIndividual detached;
  detached.SetValue(9);
  EXPECT_EQ(detached.Fitness(), 0);
  EXPECT_EQ(detached.WeightedFitness(), 0);
  EXPECT_EQ(detached.AdjustedFitness(), 0);
  EXPECT_EQ(detached.NormalizedFitness(), 0);
  EXPECT_EQ(detached.NormalizedWeigthedFitness(), 0);
  EXPECT_TRUE(detached.NeedFitness());
  EXPECT_EQ(detached.Collection(), nullptr);

  TKXPopulation unowned(ItemClassOf<TValueIndividual>());
  TValueIndividual* member = AsValue(unowned.Add());
  member->SetValue(9);
  EXPECT_EQ(member->Fitness(), 0);
  EXPECT_TRUE(member->NeedFitness());

  // Once it joins an owned population the stale fitness is computed.
  auto owned = member->SetCollection(nullptr);
  Component.Population()->AddItem(std::move(owned));
  EXPECT_EQ(member->Fitness(), 9);
  EXPECT_EQ(Component.Evaluations, 1);
}

TEST_F(IndividualTest, AssignCopiesFitnessStalenessAndNameWithoutReevaluating) {
  TKXPopulation* population = Component.Population();
  TValueIndividual* source = AsValue(population->Items(0));
  source->SetName("parent");
  TValueIndividual* target = AsValue(population->Items(1));
  Component.Evaluations = 0;

  target->Assign(source);  // the stale source is evaluated once, through the read
  EXPECT_EQ(Component.Evaluations, 1);
  EXPECT_FALSE(target->NeedFitness());
  EXPECT_EQ(target->Fitness(), 4);
  EXPECT_EQ(target->Name(), "parent");
  EXPECT_EQ(Component.Evaluations, 1);

  // A stale source outside an owned population hands on its staleness.
  TValueIndividual detached;
  detached.SetValue(2);
  target->Assign(&detached);
  EXPECT_TRUE(target->NeedFitness());
  EXPECT_EQ(target->Fitness(), 2);
}

TEST_F(IndividualTest, AssignFromAnotherClassRaisesAndLeavesTheTargetUnchanged) {
  TValueIndividual* target = Component.At(0);
  target->SetName("kept");
  target->Fitness();
  TKXStringList other;
  EXPECT_THROW(target->Assign(&other), EConvertError);
  EXPECT_EQ(target->Name(), "kept");
  EXPECT_FALSE(target->NeedFitness());
  EXPECT_EQ(target->Value(), 4);
}

TEST_F(IndividualTest, CloneAddsACopyOfThePopulationsItemClass) {
  TValueIndividual* original = Component.At(1);
  original->Fitness();
  Component.Evaluations = 0;
  TKXIndividual* clone = original->Clone();
  EXPECT_EQ(Component.Population()->Count(), 3);
  EXPECT_EQ(clone->Collection(), Component.Population());
  EXPECT_EQ(clone->ClassName(), "TValueIndividual");
  EXPECT_EQ(AsValue(clone)->Value(), 7);
  EXPECT_EQ(clone->Fitness(), 7);
  EXPECT_EQ(Component.Evaluations, 0);

  TValueIndividual detached;
  EXPECT_THROW(detached.Clone(), EListError);
}

TEST_F(IndividualTest, DisplayNameIsTheNameOrTheClassName) {
  TKXIndividual* item = Component.Population()->Items(0);
  EXPECT_EQ(item->DisplayName(), "TValueIndividual");
  item->SetName("best");
  EXPECT_EQ(item->DisplayName(), "best");
  TKXIndividual plain;
  EXPECT_EQ(plain.DisplayName(), "TKXIndividual");
}

TEST_F(IndividualTest, AHandlerErrorPassesThroughAndLeavesTheFitnessStale) {
  Component.SetOnEvaluateFitness(
      [](TKXObject*, TKXIndividual*, TGAFitness&) { throw std::runtime_error("handler failed"); });
  TKXIndividual* item = Component.Population()->Add();
  EXPECT_THROW(item->Fitness(), std::runtime_error);
  EXPECT_TRUE(item->NeedFitness());
}

TEST_F(IndividualTest, DerivedMeasuresComeFromTheOwner) {
  Component.SetFitnessMethod(fmMaximize);
  Component.EvaluateFitness();  // sum 11, max 7
  TKXIndividual* first = Component.Population()->Items(0);
  EXPECT_DOUBLE_EQ(first->NormalizedFitness(), 4.0 / 11);
  EXPECT_DOUBLE_EQ(first->NormalizedWeigthedFitness(), 4.0 / 11);
  EXPECT_DOUBLE_EQ(first->AdjustedFitness(), 1.0 / 4);
}

}  // namespace
}  // namespace kx::testing
