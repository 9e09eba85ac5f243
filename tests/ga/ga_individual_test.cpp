#include "kx/ga/ga_individual.hpp"

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

TEST(GAIndividual, JoiningAComponentSizesTheChromosomeAndAssignCopiesIt) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(8);
  TKXGAIndividual* individual = ga.Population()->Add();
  EXPECT_EQ(individual->Bits()->Individual(), individual);
  EXPECT_EQ(individual->ToString(), "TKXGAIndividual 8:00");
  individual->Bits()->SetAsInteger(0, 8, 0xA3);
  EXPECT_EQ(individual->ToString(), "TKXGAIndividual 8:3A");
  EXPECT_EQ(TKXGAIndividual().ToString(), "TKXGAIndividual 0:");
  EXPECT_EQ(TKXGAPopulation().Add()->Bits()->Size(), 0);

  // Assign and SetBits copy the chromosome.
  test::CountOnesFitness(ga);
  ga.SetGeneSize(10);
  TKXGAIndividual* source = ga.Population()->Add();
  source->Bits()->SetAsBitString(0, 10, "1101000001");
  source->SetName("best");
  TKXGAIndividual target;
  target.Bits()->SetSize(3);
  target.Assign(source);
  EXPECT_EQ(target.Bits()->ToBitString(), "1101000001");
  EXPECT_EQ(target.Name(), "best");
  EXPECT_FALSE(target.NeedFitness());
  EXPECT_EQ(target.Fitness(), 4);

  TKXIndividual plain;  // from a plain individual only the base fields are copied
  plain.SetName("plain");
  target.Assign(&plain);
  EXPECT_EQ(target.Name(), "plain");
  EXPECT_EQ(target.Bits()->ToBitString(), "1101000001");
  TKXStringList list;
  EXPECT_THROW(target.Assign(&list), EConvertError);

  source->Fitness();
  TKXEncodedBits value;
  value.SetSize(6);
  value.SetBits(5, true);
  source->SetBits(value);
  EXPECT_EQ(source->Bits()->ToBitString(), "000001");
  EXPECT_TRUE(source->NeedFitness());
}

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

TEST(GAIndividual, ASubclassesChromosomeFactoryIsUsed) {
  TTaggedIndividual individual;
  EXPECT_EQ(individual.Bits()->ClassName(), "TTaggedBits");
  EXPECT_EQ(individual.Bits()->Individual(), &individual);
  // Chromosomes copy across the class tree, not only between equal classes.
  individual.Bits()->SetSize(2);
  TKXGAIndividual base;
  base.Assign(&individual);
  EXPECT_EQ(base.Bits()->ToBitString(), "00");
}

}  // namespace
}  // namespace kx
