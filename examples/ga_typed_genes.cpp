// Typed genes: a shelf is designed by a genotype of four genes (a material chosen from a
// list, a number of intermediate supports, a board thickness and an optional lacquer coat)
// and evolved to the cheapest design that carries the required load. The search space is
// small enough to be enumerated, so the example first finds the known optimum by exhaustive
// search and then lets the genetic algorithm find it.
//
// --save writes the run (settings, genotype and designs) as a document at the end.
//
//   ga_typed_genes [--seed N] [--generations N] [--save FILE] [--help]

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <kx/kxevo.hpp>
#include <string>

#include "example_args.hpp"

namespace {

struct TMaterial {
  const char* Name;
  double PricePerMillimetre;  // board price per millimetre of thickness
  double Stiffness;           // relative load capacity
};

constexpr TMaterial kMaterials[] = {{"Pine", 0.9, 1.0}, {"Oak", 1.3, 2.5}, {"Steel", 5.0, 14.0}};
constexpr double kSupportPrice = 15;
constexpr double kLacquerPrice = 6;
constexpr double kRequiredLoad = 800;  // newtons
// Raw pine loses strength in the damp store room unless it is lacquered.
constexpr double kRawPineFactor = 0.55;
// The price of a design that cannot be built at all (no such material, thickness outside
// the workshop's range).
constexpr double kUnbuildable = 5000;

// The price of a design; designs that carry less than the required load pay for the
// shortfall on top of a fixed penalty, so the search is steered towards stronger designs.
double DesignCost(int Material, int Supports, double Thickness, bool Lacquer) {
  const TMaterial& m = kMaterials[Material];
  double capacity = m.Stiffness * Thickness * Thickness * (Supports + 1) / 100;
  if (Material == 0 && !Lacquer) capacity *= kRawPineFactor;
  double cost =
      m.PricePerMillimetre * Thickness + kSupportPrice * Supports + (Lacquer ? kLacquerPrice : 0);
  if (capacity < kRequiredLoad) cost += 1000 + (kRequiredLoad - capacity);
  return cost;
}

// The example itself; main turns its errors into messages.
int Run(const examples::Args& args) {
  kx::RandSeed(args.Seed);

  kx::TKXGeneticAlgorithm ga;
  kx::TKXGAGene* material = ga.Genes()->Add();
  material->SetName("Material");
  material->SetGeneType(kx::gtEnumeration);
  material->Enumerations()->SetText("Pine\nOak\nSteel\n");  // sized to 2 bits
  kx::TKXGAGene* supports = ga.Genes()->Add();
  supports->SetName("Supports");
  supports->SetGeneType(kx::gtInteger);
  supports->SetSize(4);  // 0 .. 15
  kx::TKXGAGene* thickness = ga.Genes()->Add();
  thickness->SetName("Thickness");
  thickness->SetGeneType(kx::gtFloat);
  thickness->SetSize(8);        // whole millimetres 0 .. 255
  thickness->SetMaxValue(120);  // the workshop's range: maximum first, then minimum
  thickness->SetMinValue(6);
  kx::TKXGAGene* lacquer = ga.Genes()->Add();
  lacquer->SetName("Lacquer");
  lacquer->SetGeneType(kx::gtBoolean);
  lacquer->SetSize(1);

  // The known optimum over every buildable design.
  double optimum = kUnbuildable;
  for (int m = 0; m < 3; ++m) {
    for (int n = 0; n <= 15; ++n) {
      for (double t = thickness->MinValue(); t <= thickness->MaxValue(); ++t) {
        for (bool coat : {false, true}) optimum = std::min(optimum, DesignCost(m, n, t, coat));
      }
    }
  }
  std::cout << "genotype: " << ga.Genes()->Count() << " genes, " << ga.GeneSize() << " bits\n";
  std::cout << "known optimum (exhaustive search) = " << optimum << '\n';

  ga.SetInitialPopulation(300);
  ga.SetFitnessMethod(kx::fmMinimize);
  ga.SetSelectionMethod(kx::smTournament);
  ga.SetTournamentField(2);
  // Per bit: about one flip in every child of the 15-bit chromosome.
  ga.SetMutationProbability(0.05);
  ga.SetUseFitnessCutoff(true);
  ga.SetFitnessCutoff(optimum);
  ga.SetOnEvaluateFitness([&](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& Fitness) {
    kx::TKXGABits& bits = *static_cast<kx::TKXGAIndividual*>(Item)->Bits();
    const double t = thickness->GeneAsFloat(bits);
    if (t < thickness->MinValue() || t > thickness->MaxValue()) {
      Fitness = kUnbuildable + t;
      return;
    }
    // The field's index is the material's; a 2-bit field can hold index 3, which names no
    // material. Reading the index rather than the name spares a name lookup (and an
    // exception) per evaluation.
    const int m = material->GeneAsInteger(bits);
    if (m >= material->Enumerations()->Count()) {
      Fitness = kUnbuildable;
      return;
    }
    Fitness = DesignCost(m, supports->GeneAsInteger(bits), t, lacquer->GeneAsBoolean(bits));
  });
  ga.SetOnEvolve([&](kx::TKXObject*) {
    if (ga.Generation() % 5 != 0) return;
    std::cout << "generation " << std::setw(3) << ga.Generation() << "  best " << std::setw(7)
              << ga.MinFitness() << '\n';
  });

  ga.Initialize();
  ga.Evolve(args.Generations);

  kx::TKXGAIndividual* best = ga.FittestIndividual();
  std::cout << "generations evolved = " << ga.Generation() << '\n';
  for (int i = 0; i < ga.Genes()->Count(); ++i) {
    kx::TKXGAGene* gene = ga.Genes()->Items(i);
    std::cout << std::setw(10) << gene->Name() << " = " << gene->AsString(*best->Bits()) << '\n';
  }
  if (!args.Save.empty()) {
    // The document lists every design's decoded genes, and a material field holding the
    // index no name belongs to cannot be decoded: such designs are left out.
    kx::TKXGAPopulation* population = ga.Population();
    for (int i = population->Count() - 1; i >= 0; --i) {
      kx::TKXGABits& bits = *population->Items(i)->Bits();
      if (population->Items(i) != best &&
          material->GeneAsInteger(bits) >= material->Enumerations()->Count()) {
        population->Delete(i);
      }
    }
    examples::WithFile("save", args.Save, [&] { ga.SaveToFile(args.Save); });
    std::cout << "saved " << population->Count() << " designs to " << args.Save << '\n';
  }
  std::cout << "best fitness = " << best->Fitness() << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(
      argc, argv,
      {.Summary = "Evolves the cheapest shelf design that carries the load, from typed genes.",
       .Flags = {examples::Flag::Seed, examples::Flag::Generations, examples::Flag::Save},
       .DefaultGenerations = 200});
  return examples::RunGuarded(argv[0], [&] { return Run(args); });
}
