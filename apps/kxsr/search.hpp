#pragma once

#include <kx/kxevo.hpp>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dataset.hpp"
#include "run_monitor.hpp"

namespace kxsr {

struct TSearchSettings {
  std::vector<std::string> Functions;
  int Population = 1000;
  int Generations = 100;
  // Programs larger than this are unfit.
  int MaxSize = 40;
  // Weighted fitness = normalized squared error + Parsimony * size.
  double Parsimony = 1e-6;
  // Levenberg-Marquardt steps per fitted program, and the share of each generation (the
  // fittest of the generation before) whose constants are fitted.
  int FitIterations = 10;
  double FitShare = 1.0;
  // Generations without progress of the population's best after which the search starts
  // again from new random programs (0: never).
  int Restart = 50;
};

// One model of a run: a copy of the best program of its size that the run saw, with its
// normalized training error (squared error / (cases * target variance)).
struct TModel {
  std::unique_ptr<kx::TKXGPNode<double>> Tree;
  int Size = 0;
  double TrainError = 0;
};

// Symbolic regression on a training set: a float GP component over the vocabulary, batch
// evaluation of each program on all training cases, ephemeral random constants and the
// fitting of constants for the promising programs, evolved with the parallel loop. Fitness
// is the normalized squared error, weighted by the component's size parsimony pressure;
// programs larger than MaxSize are unfit. A population that stops improving is replaced by
// new random programs. Throughout the run the best program of every
// size is kept; the final model is the one with the least weighted fitness among them.
//
// The models' trees refer to this object's instructions: use them while it lives.
class TSymbolicRegression {
 public:
  // TDataError for an unusable vocabulary (see AddInstructions) or an empty training set.
  TSymbolicRegression(const TDataset& Train, TSearchSettings Settings);
  ~TSymbolicRegression();

  // Initializes and evolves until the generation budget (counted over all restarts), the
  // monitor's time limit or an exact fit; returns the number of generations evolved.
  int Run(TRunMonitor& Monitor);

  // The best of each size the run saw, smallest first, each with its constant subtrees
  // folded into one constant and simplified (see Simplify); sizes and errors are those of
  // the simplified trees.
  std::vector<TModel> Models() const;
  // Of Models, the one with the least weighted fitness.
  const TModel& Best(const std::vector<TModel>& Models) const;

  // The values of Tree for every case of Data.
  std::vector<double> Predict(kx::TKXGPNode<double>& Tree, const TDataset& Data) const;
  // Writes Tree as a program document an executor loads (see RunPredict).
  void Save(const kx::TKXGPNode<double>& Tree, const std::string& FileName) const;

  kx::TKXGeneticProgramming& Component() noexcept { return *FComponent; }

 private:
  void Evaluate(kx::TKXIndividual* Item, double& Fitness);
  void DrawConstants(kx::TKXGPNode<double>& Tree) const;
  void MutateConstant(kx::TKXGPNode<double>* Node) const;
  // After every generation: the archive, the fitting threshold, the monitor. True when the
  // current pass ends: the run must stop (FStop) or the population stagnates.
  bool AfterGeneration(TRunMonitor& Monitor);
  std::unique_ptr<kx::TKXGPNode<double>> Folded(const kx::TKXGPNode<double>& Tree) const;
  double NormalizedError(kx::TKXGPNode<double>& Tree) const;

  TDataset FTrain;
  TSearchSettings FSettings;
  double FTargetVariance = 1;
  kx::TKXGPBatchContext<double> FCases;
  std::unique_ptr<kx::TKXGeneticProgramming> FComponent;
  std::string FConstantName;
  // Programs with a raw fitness at or below it get their constants fitted.
  double FFitThreshold;
  // By size: the best program seen and its raw fitness.
  std::vector<TModel> FArchive;
  int FGenerations = 0;
  bool FStop = false;
  int FStagnant = 0;
  double FPopulationBest = 0;
};

}  // namespace kxsr
