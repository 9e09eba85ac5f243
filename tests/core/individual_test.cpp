#include <kx/core/individual.hpp>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// The raw fitness is cached until the individual is modified or renamed (to another name,
// compared case-sensitively); a failing handler leaves it stale. Outside an owned population
// every fitness reads 0 and stays stale until the individual joins one.
TEST(IndividualTest, FitnessIsCachedUntilModifiedAndAssignCopiesItWithItsStaleness) {
  TValueComponent c;
  TValueIndividual* item = AsValue(c.Population()->Add());
  item->SetValue(3);
  EXPECT_EQ(item->Fitness() + item->Fitness(), 6);
  item->Modified();
  EXPECT_EQ(item->Fitness(), 3);
  EXPECT_EQ(c.Evaluations, 2);
  item->SetName("alpha");
  item->Fitness();
  item->SetName("alpha");
  EXPECT_FALSE(item->NeedFitness());
  item->SetName("Alpha");
  EXPECT_TRUE(item->NeedFitness());
  TKXPopulation unowned(ItemClassOf<TValueIndividual>());
  TValueIndividual* member = AsValue(unowned.Add());
  member->SetValue(9);
  EXPECT_EQ(member->Fitness() + member->AdjustedFitness() + member->WeightedFitness(), 0);
  EXPECT_TRUE(member->NeedFitness());
  c.Population()->AddItem(member->SetCollection(nullptr));
  EXPECT_EQ(member->Fitness(), 9);
  // Assign reads a stale source once and copies fitness, staleness and name; Clone adds a
  // copy of the population's item class; a stale source outside an owned population hands
  // on its staleness; other sources raise and change nothing.
  c.SetValues({4, 7});
  c.Evaluations = 0;
  TValueIndividual* target = c.At(1);
  c.At(0)->SetName("parent");
  target->Assign(c.At(0));
  EXPECT_EQ(
      std::tuple(c.Evaluations.load(), target->NeedFitness(), target->Fitness(), target->Name()),
      std::tuple(1, false, 4.0, "parent"));
  TKXIndividual* clone = target->Clone();
  EXPECT_EQ(AsValue(clone)->Value() + clone->Fitness() + c.Population()->Count(), 11);
  EXPECT_EQ(c.Evaluations, 1);
  TValueIndividual detached;
  detached.SetValue(2);
  detached.SetName("orphan");
  target->Assign(&detached);
  EXPECT_EQ((std::pair{target->NeedFitness(), target->Fitness()}), std::pair(true, 2.0));
  EXPECT_THROW(detached.Clone(), EListError);
  EXPECT_THROW(target->Assign(c.Population()), EConvertError);
  EXPECT_EQ(std::pair(target->Name(), target->NeedFitness()),
            std::pair(std::string("orphan"), false));
  c.SetOnEvaluateFitness(
      [](TKXObject*, TKXIndividual*, TGAFitness&) { throw std::runtime_error("failed"); });
  target->Modified();
  EXPECT_THROW(target->Fitness(), std::runtime_error);
  EXPECT_TRUE(target->NeedFitness());
}

}  // namespace
}  // namespace kx::testing
