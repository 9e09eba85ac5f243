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

// A chromosome is sized on joining a component and copied by Assign (across the class tree,
// with the base fields) and SetBits (which marks the fitness stale); from a plain individual
// only the base fields come.
TEST(GAIndividual, JoiningAComponentSizesTheChromosomeAndAssignCopiesIt) {
  TKXCustomGeneticAlgorithm ga;
  test::CountOnesFitness(ga);
  ga.SetGeneSize(8);
  TKXGAIndividual& source = *ga.Population()->Add();
  TTaggedIndividual target;  // a subclass's chromosome factory is used
  TKXIndividual plain;
  const std::string fresh = source.ToString();
  source.Bits()->SetAsInteger(0, 8, 0xA3);
  source.SetName("best");
  target.Bits()->SetSize(3);
  target.Assign(&source);
  EXPECT_EQ(std::tuple(fresh, source.ToString(), TKXGAIndividual().ToString(),
                       target.Bits()->ClassName(), target.Bits()->ToBitString(), target.Name(),
                       target.NeedFitness(), target.Fitness()),
            std::tuple("TKXGAIndividual 8:00", "TKXGAIndividual 8:3A",
                       "TKXGAIndividual 0:", "TTaggedBits", "11000101", "best", false, 4.0));
  plain.SetName("plain");
  target.Assign(&plain);
  EXPECT_EQ(target.Name() + target.Bits()->ToBitString(), "plain11000101");
}

}  // namespace
}  // namespace kx
