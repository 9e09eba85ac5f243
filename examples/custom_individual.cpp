// An application-defined representation on the evolution core: each individual is a vector
// of reals, the fitness is the Rastrigin function (minimized; 0 at the origin), and the
// component supplies its own random initialization, blend crossover and Gaussian-like
// mutation.
//
// --save writes the component's document (its settings and statistics) at the end.
//
//   custom_individual [--seed N] [--generations N] [--save FILE] [--help]

#include <cmath>
#include <iomanip>
#include <iostream>
#include <kx/kxevo.hpp>
#include <memory>
#include <numbers>
#include <vector>

#include "example_args.hpp"

namespace {

constexpr int kDimensions = 8;
constexpr double kRange = 5.12;

class TRealVector : public kx::TKXIndividual {
 public:
  explicit TRealVector(kx::TKXCollection* Collection = nullptr)
      : kx::TKXIndividual(Collection), FGenes(kDimensions, 0.0) {}
  std::string ClassName() const override { return "TRealVector"; }

  const std::vector<double>& Genes() const noexcept { return FGenes; }
  // Gives write access to the genes and marks the fitness stale.
  std::vector<double>& ChangeGenes() {
    Modified();
    return FGenes;
  }

  void Assign(kx::TKXPersistent* Source) override {
    if (auto* source = dynamic_cast<TRealVector*>(Source)) FGenes = source->FGenes;
    kx::TKXIndividual::Assign(Source);
  }

 private:
  std::vector<double> FGenes;
};

TRealVector* AsVector(kx::TKXIndividual* Item) { return static_cast<TRealVector*>(Item); }

double Clamp(double X) { return std::fmax(-kRange, std::fmin(kRange, X)); }

// A uniform number in [-Width, Width).
double Uniform(double Width) { return (2 * kx::RandomFloat() - 1) * Width; }

class TRealVectorEvolver : public kx::TKXCustomGeneticComponent {
 public:
  std::string ClassName() const override { return "TRealVectorEvolver"; }

 protected:
  std::unique_ptr<kx::TKXPopulation> CreatePopulation(kx::TKXItemClass /*ItemClass*/) override {
    return std::make_unique<kx::TKXPopulation>(kx::ItemClassOf<TRealVector>(), this);
  }

  std::int32_t DoInitialize() override {
    kx::TKXPopulation* population = Population();
    for (int i = 0; i < population->Count(); ++i) {
      for (double& gene : AsVector(population->Items(i))->ChangeGenes()) gene = Uniform(kRange);
    }
    return 0;
  }

  // Blend crossover: each child gene is a random mix of the parents' genes.
  bool DoCrossover(kx::TKXIndividual* Parent1, kx::TKXIndividual* Parent2,
                   kx::TKXIndividual* Child1, kx::TKXIndividual* Child2) override {
    const std::vector<double>& a = AsVector(Parent1)->Genes();
    const std::vector<double>& b = AsVector(Parent2)->Genes();
    for (kx::TKXIndividual* child : {Child1, Child2}) {
      if (child == nullptr) continue;
      std::vector<double>& genes = AsVector(child)->ChangeGenes();
      for (std::size_t i = 0; i < genes.size(); ++i) {
        const double t = kx::RandomFloat();
        genes[i] = t * a[i] + (1 - t) * b[i];
      }
    }
    return true;
  }

  // Moves one gene by a small step.
  bool DoMutate(kx::TKXIndividual* Item) override {
    std::vector<double>& genes = AsVector(Item)->ChangeGenes();
    double& gene = genes[static_cast<std::size_t>(kx::RandomInt(kDimensions))];
    gene = Clamp(gene + Uniform(0.5));
    return true;
  }
};

double Rastrigin(const std::vector<double>& X) {
  double sum = 10.0 * static_cast<double>(X.size());
  for (double x : X) sum += x * x - 10.0 * std::cos(2 * std::numbers::pi * x);
  return sum;
}

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(
      argc, argv,
      {.Summary = "Minimizes the Rastrigin function over vectors of 8 reals with an "
                  "application-defined individual.",
       .Flags = {examples::Flag::Seed, examples::Flag::Generations, examples::Flag::Save},
       .DefaultGenerations = 200});
  return examples::RunGuarded(argv[0], [&] {
    kx::RandSeed(args.Seed);

    TRealVectorEvolver evolver;
    evolver.SetInitialPopulation(200);
    evolver.SetSelectionMethod(kx::smTournament);
    evolver.SetTournamentField(3);
    evolver.SetCrossoverProbability(0.9);
    evolver.SetMutationProbability(0.3);
    evolver.SetOperations({kx::goCrossover, kx::goMutate});
    evolver.SetUseFitnessCutoff(true);
    evolver.SetFitnessCutoff(1e-6);
    evolver.SetOnEvaluateFitness([](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& F) {
      F = Rastrigin(AsVector(Item)->Genes());
    });
    evolver.SetOnEvolve([&](kx::TKXObject*) {
      if (evolver.Generation() % 10 != 0) return;
      std::cout << "generation " << std::setw(4) << evolver.Generation() << "  best "
                << std::setw(12) << evolver.MinFitness() << "  average " << std::setw(12)
                << evolver.AvgFitness() << '\n';
    });

    evolver.Initialize();
    evolver.Evolve(args.Generations);

    std::cout << "generations evolved = " << evolver.Generation() << '\n';
    if (!args.Save.empty()) {
      examples::WithFile("save", args.Save, [&] { evolver.SaveToFile(args.Save); });
      std::cout << "saved to " << args.Save << '\n';
    }
    const auto* best = AsVector(evolver.FittestIndividual());
    std::cout << "best vector =";
    for (double x : best->Genes()) std::cout << ' ' << std::setprecision(4) << x;
    std::cout << '\n' << std::setprecision(6);
    std::cout << "best fitness = " << evolver.FittestIndividual()->Fitness() << '\n';
    return 0;
  });
}
