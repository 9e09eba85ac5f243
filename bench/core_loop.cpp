// Overhead of the evolution loop itself: 1,000 individuals of a trivial class evolved for
// 100 generations with each selection method. The fitness handler and the operators are
// as cheap as possible, so the time is the loop's: selection, child initialization, the
// probability tests and events, the statistics passes and the selection preparation.

#include <benchmark/benchmark.h>

#include <kx/core/genetic_component.hpp>
#include <kx/host/random.hpp>
#include <memory>

namespace {

constexpr int kIndividuals = 1000;
constexpr int kGenerations = 100;

class TTrivialIndividual : public kx::TKXIndividual {
 public:
  using kx::TKXIndividual::TKXIndividual;
  std::string ClassName() const override { return "TTrivialIndividual"; }
  void Assign(kx::TKXPersistent* Source) override {
    if (auto* source = dynamic_cast<TTrivialIndividual*>(Source)) Value = source->Value;
    kx::TKXIndividual::Assign(Source);
  }
  double Value = 0;
};

TTrivialIndividual* AsTrivial(kx::TKXIndividual* Item) {
  return static_cast<TTrivialIndividual*>(Item);
}

class TTrivialComponent : public kx::TKXCustomGeneticComponent {
 protected:
  std::unique_ptr<kx::TKXPopulation> CreatePopulation(kx::TKXItemClass /*ItemClass*/) override {
    return std::make_unique<kx::TKXPopulation>(kx::ItemClassOf<TTrivialIndividual>(), this);
  }
  std::int32_t DoInitialize() override {
    kx::TKXPopulation* population = Population();
    for (int i = 0; i < population->Count(); ++i) {
      AsTrivial(population->ItemAt(i))->Value = kx::RandomFloat();
      population->ItemAt(i)->Modified();
    }
    return 0;
  }
  bool DoCrossover(kx::TKXIndividual*, kx::TKXIndividual* Parent2, kx::TKXIndividual* Child1,
                   kx::TKXIndividual* Child2) override {
    AsTrivial(Child1)->Value = AsTrivial(Parent2)->Value;
    Child1->Modified();
    if (Child2 != nullptr) Child2->Modified();
    return true;
  }
  bool DoMutate(kx::TKXIndividual* Item) override {
    AsTrivial(Item)->Value += kx::RandomFloat() - 0.5;
    Item->Modified();
    return true;
  }
};

void BM_CoreLoop(benchmark::State& State) {
  kx::RandSeed(42);
  TTrivialComponent component;
  component.SetInitialPopulation(kIndividuals);
  component.SetSelectionMethod(static_cast<kx::TGASelectionMethod>(State.range(0)));
  component.SetFitnessMethod(kx::fmMaximize);
  component.SetOnEvaluateFitness([](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& F) {
    F = AsTrivial(Item)->Value * AsTrivial(Item)->Value;
  });
  component.Initialize();
  for (auto _ : State) {
    benchmark::DoNotOptimize(component.Evolve(kGenerations));
  }
  State.counters["ns_per_individual_generation"] =
      benchmark::Counter(static_cast<double>(State.iterations()) * kIndividuals * kGenerations,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  State.SetLabel(std::string(kx::EnumName(component.SelectionMethod())));
}
BENCHMARK(BM_CoreLoop)
    ->Arg(kx::smRoulette)
    ->Arg(kx::smRandom)
    ->Arg(kx::smTournament)
    ->Arg(kx::smStochasticTournament)
    ->Arg(kx::smElitist)
    ->Unit(benchmark::kMillisecond);

}  // namespace
