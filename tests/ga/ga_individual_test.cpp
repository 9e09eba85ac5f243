#include "kx/ga/ga_individual.hpp"

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

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

TEST(GAIndividual, JoiningAComponentSizesTheChromosomeAndAssignCopiesIt) {
  TKXCustomGeneticAlgorithm ga;
  test::CountOnesFitness(ga);
  ga.SetGeneSize(8);
  TKXGAIndividual* source = ga.Population()->Add();
  EXPECT_EQ(source->Bits()->Individual(), source);
  EXPECT_EQ(source->ToString(), "TKXGAIndividual 8:00");
  source->Bits()->SetAsInteger(0, 8, 0xA3);
  EXPECT_EQ(source->ToString(), "TKXGAIndividual 8:3A");
  EXPECT_EQ(TKXGAIndividual().ToString(), "TKXGAIndividual 0:");
  source->SetName("best");
  TTaggedIndividual target;  // a subclass's chromosome factory is used
  EXPECT_EQ(target.Bits()->ClassName(), "TTaggedBits");
  EXPECT_EQ(target.Bits()->Individual(), &target);
  target.Bits()->SetSize(3);
  target.Assign(source);
  EXPECT_EQ(target.Bits()->ToBitString(), "11000101");
  EXPECT_EQ(target.Name(), "best");
  EXPECT_FALSE(target.NeedFitness());
  EXPECT_EQ(target.Fitness(), 4);
  TKXIndividual plain;  // from a plain individual only the base fields are copied
  plain.SetName("plain");
  target.Assign(&plain);
  EXPECT_EQ(target.Name(), "plain");
  EXPECT_EQ(target.Bits()->ToBitString(), "11000101");
  TKXStringList list;
  EXPECT_THROW(target.Assign(&list), EConvertError);
  source->Fitness();
  source->SetBits(*TKXGAIndividual().Bits());
  EXPECT_EQ(source->Bits()->Size(), 0);
  EXPECT_TRUE(source->NeedFitness());
}

}  // namespace
}  // namespace kx
