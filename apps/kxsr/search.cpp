#include "search.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include "compiled_program.hpp"
#include "constant_fitting.hpp"
#include "simplify.hpp"
#include "vocabulary.hpp"

namespace kxsr {
namespace {

// The fitness of programs that are too large or not finite on the training cases: far
// above any real normalized error, yet small enough for the statistics' sums.
constexpr double kUnfit = 1e6;
// A normalized error this small is an exact fit: once a program of any size has it, the
// run stops.
constexpr double kExact = 1e-12;

using TNode = kx::TKXGPNode<double>;

template <class Visit>
void ForEachNode(TNode& Tree, Visit&& F) {
  std::vector<TNode*> stack{&Tree};
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    F(*node);
    for (int c = 0; c < node->ChildCount(); ++c) stack.push_back(node->Child(c));
  }
}

bool HasVariable(TNode& Tree) {
  bool found = false;
  ForEachNode(Tree, [&](TNode& Node) {
    found = found ||
            (Node.Instruction() != nullptr && Node.Instruction()->Operation() == kx::gpVariable);
  });
  return found;
}

}  // namespace

TSymbolicRegression::TSymbolicRegression(const TDataset& Train, TSearchSettings Settings)
    : FTrain(Train),
      FSettings(std::move(Settings)),
      FCases(Train.Count()),
      FComponent(std::make_unique<kx::TKXGeneticProgramming>()),
      FFitThreshold(std::numeric_limits<double>::infinity()) {
  if (FTrain.Count() == 0) throw TDataError("no training cases");
  FTargetVariance = Variance(FTrain.Target);
  if (FTargetVariance <= 0) FTargetVariance = 1;
  for (std::size_t c = 0; c < FTrain.Names.size(); ++c) {
    std::ranges::copy(FTrain.Inputs[c], FCases.Column(FTrain.Names[c]).begin());
  }
  FSettings.MaxSize = std::max(FSettings.MaxSize, 1);
  FArchive.resize(static_cast<std::size_t>(FSettings.MaxSize) + 1);

  kx::TKXGeneticProgramming& gp = *FComponent;
  FConstantName = AddInstructions(*gp.Instructions(), FSettings.Functions, FTrain.Names);
  gp.SetInitialPopulation(std::max(FSettings.Population, 2));
  gp.SetInitializationMethod(kx::imRampedHalfAndHalf);
  gp.SetInitializationDepth(5);
  gp.SetSelectionMethod(kx::smTournament);
  // Small tournaments and few shrinking mutations: fitted constants make small programs
  // strong early, and a stronger pull towards them collapses the population.
  gp.SetTournamentField(3);
  gp.SetFitnessMethod(kx::fmWeightedMinimize);
  gp.SetBloatStrategy(kx::bsSizeParsimonyPressure);
  gp.SetParsimonyCoefficient(FSettings.Parsimony);
  gp.SetCrossoverProbability(0.9);
  gp.SetMutationProbability(0.5);
  gp.SetMutateWeights(kx::mmSubtree, 40);
  gp.SetMutateWeights(kx::mmConstant, 25);
  gp.SetMutateWeights(kx::mmShrink, 3);
  gp.SetMutateWeights(kx::mmHoist, 3);
  gp.SetMutateWeights(kx::mmPoint, 30);
  gp.SetOnEvaluateFitness([this](kx::TKXObject*, kx::TKXIndividual* Item, double& Fitness) {
    Evaluate(Item, Fitness);
  });
  gp.SetOnConstantMutation([this](kx::TKXObject*, TNode* Node) { MutateConstant(Node); });
}

TSymbolicRegression::~TSymbolicRegression() {
  // The archived trees refer to the component's instructions: free them first.
  FArchive.clear();
}

void TSymbolicRegression::DrawConstants(TNode& Tree) const {
  ForEachNode(Tree, [](TNode& Node) {
    if (Node.Instruction() != nullptr && Node.Instruction()->Operation() == kx::gpConstant &&
        IsUndrawnConstant(Node.Value())) {
      Node.SetValue(4 * kx::RandomFloat() - 2);
    }
  });
}

void TSymbolicRegression::MutateConstant(TNode* Node) const {
  const double value = IsUndrawnConstant(Node->Value()) ? 0.0 : Node->Value();
  const double scale = std::max(0.1, 0.5 * std::fabs(value));
  Node->SetValue(value + (2 * kx::RandomFloat() - 1) * scale);
}

// Runs on the evaluating thread, several at once under the parallel loop: it touches only
// the individual's own tree and this thread's buffers.
void TSymbolicRegression::Evaluate(kx::TKXIndividual* Item, double& Fitness) {
  auto* individual = static_cast<kx::TKXGPIndividual<double>*>(Item);
  TNode* root = individual->DNA();
  Fitness = kUnfit;
  if (root == nullptr || root->Instruction() == nullptr || root->Size() > FSettings.MaxSize) return;
  DrawConstants(*root);
  thread_local std::vector<double> predicted;
  predicted.resize(FTrain.Count());
  individual->ExecuteBatch(FCases, predicted);
  double sse = 0;
  for (std::size_t k = 0; k < predicted.size(); ++k) {
    const double d = predicted[k] - FTrain.Target[k];
    sse += d * d;
  }
  const double scale = FTargetVariance * static_cast<double>(FTrain.Count());
  if (std::isfinite(sse) && sse / scale <= FFitThreshold && FSettings.FitIterations > 0) {
    if (auto program = TCompiledProgram::Compile(*root, FTrain.Names);
        program && program->ConstantCount() > 0) {
      sse = std::min(sse, FitConstants(*program, FTrain, FSettings.FitIterations));
    }
  }
  const double error = sse / scale;
  if (std::isfinite(error) && error < kUnfit) Fitness = error;
}

bool TSymbolicRegression::AfterGeneration(TRunMonitor& Monitor) {
  auto* population = FComponent->Population();
  std::vector<double> fitnesses;
  fitnesses.reserve(static_cast<std::size_t>(population->Count()));
  for (int i = 0; i < population->Count(); ++i) {
    auto* individual = population->Items(i);
    const double fitness = individual->Fitness();
    fitnesses.push_back(fitness);
    const int size = individual->DNA()->Size();
    if (fitness >= kUnfit || size > FSettings.MaxSize) continue;
    TModel& slot = FArchive[static_cast<std::size_t>(size)];
    if (slot.Tree == nullptr || fitness < slot.TrainError) {
      slot = {individual->DNA()->Clone(), size, fitness};
    }
  }
  if (fitnesses.empty()) return FStop = true;
  {
    const auto nth = static_cast<std::size_t>(FSettings.FitShare * (fitnesses.size() - 1));
    std::nth_element(fitnesses.begin(), fitnesses.begin() + nth, fitnesses.end());
    FFitThreshold = FSettings.FitShare >= 1  ? std::numeric_limits<double>::infinity()
                    : FSettings.FitShare > 0 ? fitnesses[nth]
                                             : -1.0;
  }
  const double populationBest = *std::min_element(fitnesses.begin(), fitnesses.end());
  if (populationBest < FPopulationBest * (1 - 1e-9)) {
    FPopulationBest = populationBest;
    FStagnant = 0;
  } else {
    ++FStagnant;
  }
  TGenerationStatus status;
  status.Generation = FGenerations;
  status.AverageSize = FComponent->AvgProgramSize();
  const TModel* best = nullptr;
  bool exact = false;
  for (const TModel& model : FArchive) {
    exact = exact || (model.Tree != nullptr && model.TrainError <= kExact);
    if (model.Tree != nullptr &&
        (best == nullptr || model.TrainError + FSettings.Parsimony * model.Size <
                                best->TrainError + FSettings.Parsimony * best->Size)) {
      best = &model;
    }
  }
  if (best != nullptr) {
    status.BestTrainR2 = 1 - best->TrainError;
    status.BestSize = best->Size;
  }
  FStop = Monitor.Generation(status) || exact;
  return FStop || (FSettings.Restart > 0 && FStagnant >= FSettings.Restart);
}

int TSymbolicRegression::Run(TRunMonitor& Monitor) {
  kx::TKXGeneticProgramming& gp = *FComponent;
  gp.SetOnEvolve([this, &Monitor, &gp](kx::TKXObject*) {
    ++FGenerations;
    if (AfterGeneration(Monitor)) gp.SetHalt(true);
  });
  FGenerations = 0;
  FStop = false;
  // Each pass starts from a new random population (the archive stays) and ends when the
  // budget is spent, the run must stop or the population stagnates.
  while (!FStop) {
    FStagnant = 0;
    FPopulationBest = std::numeric_limits<double>::infinity();
    FFitThreshold = std::numeric_limits<double>::infinity();
    gp.Initialize();
    if (AfterGeneration(Monitor) || FGenerations >= FSettings.Generations) break;
    gp.ParallelEvolve(FSettings.Generations - FGenerations);
    if (FGenerations >= FSettings.Generations) break;
  }
  gp.SetOnEvolve(nullptr);
  return FGenerations;
}

std::unique_ptr<TNode> TSymbolicRegression::Folded(const TNode& Tree) const {
  std::unique_ptr<TNode> root = Tree.Clone();
  auto* constant = FComponent->Instructions()->FindItemName(FConstantName);
  const TDataset noCases{{}, {}, {0.0}};
  std::vector<TNode*> stack{root.get()};
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    const bool function =
        node->Instruction() != nullptr && node->Instruction()->Operation() == kx::gpFunction;
    if (!function) continue;
    if (HasVariable(*node)) {
      for (int c = 0; c < node->ChildCount(); ++c) stack.push_back(node->Child(c));
      continue;
    }
    auto program = TCompiledProgram::Compile(*node, {});
    if (!program) continue;
    double value = 0;
    program->Evaluate(noCases, program->Constants(), {&value, 1});
    if (!std::isfinite(value)) continue;
    auto fresh = node->CreateNode(constant);
    fresh->SetValue(value);
    if (node == root.get()) {
      root = std::move(fresh);
      break;
    }
    TNode* parent = node->Parent();
    parent->InsertChild(parent->IndexOf(node), std::move(fresh));
    parent->ExtractChild(node);
  }
  return root;
}

std::vector<TModel> TSymbolicRegression::Models() const {
  std::vector<TModel> models;
  for (const TModel& model : FArchive) {
    if (model.Tree == nullptr) continue;
    TModel folded{Folded(*model.Tree), 0, model.TrainError};
    Simplify(folded.Tree, FTrain);
    folded.Tree = Folded(*folded.Tree);
    folded.Size = folded.Tree->Size();
    folded.TrainError = NormalizedError(*folded.Tree);
    models.push_back(std::move(folded));
  }
  std::ranges::stable_sort(models, {}, &TModel::Size);
  return models;
}

const TModel& TSymbolicRegression::Best(const std::vector<TModel>& Models) const {
  return *std::ranges::min_element(Models, {}, [this](const TModel& Model) {
    return Model.TrainError + FSettings.Parsimony * Model.Size;
  });
}

double TSymbolicRegression::NormalizedError(TNode& Tree) const {
  const std::vector<double> predicted = Predict(Tree, FTrain);
  double sse = 0;
  for (std::size_t k = 0; k < predicted.size(); ++k) {
    const double d = predicted[k] - FTrain.Target[k];
    sse += d * d;
  }
  const double error = sse / (FTargetVariance * static_cast<double>(FTrain.Count()));
  return std::isfinite(error) ? error : kUnfit;
}

std::vector<double> TSymbolicRegression::Predict(TNode& Tree, const TDataset& Data) const {
  kx::TKXGPBatchContext<double> cases(Data.Count());
  for (std::size_t c = 0; c < Data.Names.size(); ++c) {
    std::ranges::copy(Data.Inputs[c], cases.Column(Data.Names[c]).begin());
  }
  std::vector<double> values(Data.Count());
  Tree.ExecuteBatch(cases, values);
  return values;
}

void TSymbolicRegression::Save(const TNode& Tree, const std::string& FileName) const {
  kx::TKXGeneticProgrammingExecutor executor;
  AddInstructions(*executor.Instructions(), FSettings.Functions, FTrain.Names);
  // The saved set carries a plain 0 for the constant; each node keeps its own value.
  executor.Instructions()->FindItemName(FConstantName)->SetValue(0);
  executor.SetGPProgram(&Tree);
  executor.SaveToFile(FileName);
}

}  // namespace kxsr
