#include "kx/ga/ga_individual.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kx/core/individual.hpp"
#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/ga_population.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/string_list.hpp"

namespace kx {
namespace {

TEST(GAIndividual, AddedToAComponentGetsAZeroChromosomeOfGeneSize) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(24);
  TKXGAIndividual* individual = ga.Population()->Add();
  EXPECT_EQ(individual->Bits()->Size(), 24);
  EXPECT_EQ(individual->Bits()->CountOnes(), 0);
  EXPECT_EQ(individual->Bits()->Individual(), individual);
  EXPECT_EQ(individual->Collection(), ga.Population());
  EXPECT_EQ(ga.Population()->Owner(), &ga);
}

TEST(GAIndividual, DetachedIndividualHasAnEmptyChromosome) {
  TKXGAIndividual individual;
  EXPECT_EQ(individual.Bits()->Size(), 0);
  EXPECT_EQ(individual.Collection(), nullptr);
  EXPECT_EQ(individual.ToString(), "TKXGAIndividual 0:");
  TKXGAPopulation population;
  EXPECT_EQ(population.Owner(), nullptr);
  EXPECT_EQ(population.Add()->Bits()->Size(), 0);
}

TEST(GAIndividual, ToStringStartsWithTheClassName) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(8);
  TKXGAIndividual* individual = ga.Population()->Add();
  individual->Bits()->SetAsInteger(0, 8, 0xA3);
  EXPECT_EQ(individual->ToString(), "TKXGAIndividual 8:3A");
}

TEST(GAIndividual, AssignCopiesChromosomeFitnessAndName) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    Fitness = static_cast<TKXGAIndividual*>(Item)->Bits()->CountOnes();
  });
  ga.SetGeneSize(10);
  TKXGAIndividual* source = ga.Population()->Add();
  source->Bits()->SetAsBitString(0, 10, "1101000001");
  source->SetName("best");
  TKXGAIndividual target;
  target.Bits()->SetSize(3);
  target.Assign(source);
  EXPECT_EQ(target.Bits()->ToBitString(), "1101000001");
  EXPECT_EQ(target.Name(), "best");
  EXPECT_FALSE(source->NeedFitness());  // the copy read (and cached) the source's fitness
  EXPECT_FALSE(target.NeedFitness());

  // From a plain individual only the base fields are copied.
  TKXIndividual plain;
  plain.SetName("plain");
  target.Assign(&plain);
  EXPECT_EQ(target.Name(), "plain");
  EXPECT_EQ(target.Bits()->ToBitString(), "1101000001");

  TKXStringList list;
  EXPECT_THROW(target.Assign(&list), EConvertError);
}

TEST(GAIndividual, SetBitsCopiesAndMarksModified) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(4);
  TKXGAIndividual* individual = ga.Population()->Add();
  individual->Fitness();
  TKXEncodedBits value;
  value.SetSize(6);
  value.SetBits(5, true);
  individual->SetBits(value);
  EXPECT_EQ(individual->Bits()->ToBitString(), "000001");
  EXPECT_TRUE(individual->NeedFitness());
}

// A subclass's chromosome factory is honoured.
class TTaggedBits : public TKXGABits {
 public:
  using TKXGABits::TKXGABits;
  std::string ClassName() const override { return "TTaggedBits"; }
};

class TTaggedIndividual : public TKXGAIndividual {
 public:
  using TKXGAIndividual::TKXGAIndividual;

 protected:
  std::unique_ptr<TKXGABits> CreateDNA() override { return std::make_unique<TTaggedBits>(this); }
};

TEST(GAIndividual, CreateDNAOfASubclassIsUsed) {
  TTaggedIndividual individual;
  EXPECT_EQ(individual.Bits()->ClassName(), "TTaggedBits");
  EXPECT_EQ(individual.Bits()->Individual(), &individual);
}

TEST(GAPopulation, CopyingAPopulationCopiesChromosomes) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(5);
  ga.Population()->Add()->Bits()->SetAsBitString(0, 5, "10011");
  TKXCustomGeneticAlgorithm other;
  other.SetGeneSize(3);
  other.SetPopulation(ga.Population());
  ASSERT_EQ(other.Population()->Count(), 1);
  // The copy brings its own width: the add notification sized it to 3, the copy to 5.
  EXPECT_EQ(other.Population()->Items(0)->Bits()->ToBitString(), "10011");
}

}  // namespace
}  // namespace kx
