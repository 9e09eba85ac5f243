#pragma once

// What the long-run flags do to a component: stopping rules, a progress display and a CSV run
// log fed by the per-generation observer, and checkpoints. Every saved document carries the
// run state, so --load continues a --save or --checkpoint file exactly.

#include <iostream>
#include <kx/kxevo.hpp>
#include <memory>
#include <string>
#include <vector>

#include "example_args.hpp"

namespace examples {

inline const std::vector<Flag> kLongRunFlags = {
    Flag::Checkpoint,     Flag::CheckpointEvery, Flag::Stall, Flag::TimeLimit,
    Flag::MaxEvaluations, Flag::Progress,        Flag::Log};

// Owns the display and the log while the component runs; destroy it after the run.
class LongRun {
 public:
  LongRun(kx::TKXCustomGeneticComponent& Component, const Args& Parsed) : FParsed(Parsed) {
    Component.SetIncludeRunState(true);
    kx::TKXStopRules& rules = Component.StopRules();
    rules.SetStallGenerations(Parsed.Stall);
    rules.SetTimeLimit(Parsed.TimeLimit);
    rules.SetMaxEvaluations(Parsed.MaxEvaluations);
    if (!Parsed.Log.empty()) {
      WithFile("write", Parsed.Log,
               [&] { FLog = std::make_unique<kx::TKXRunLog>(Parsed.Log, !Parsed.Load.empty()); });
    }
    if (Parsed.Progress) {
      FProgress = std::make_unique<kx::TKXProgressDisplay>(
          std::cerr, kx::TKXProgressDisplay::IsTerminal(2), 0);
    }
    Component.SetOnGeneration(
        [this, &Component](kx::TKXObject*, const kx::TKXGenerationReport& Report) {
          if (FLog) FLog->Write(Report);
          if (FProgress) FProgress->Update(Report);
          if (FParsed.CheckpointEvery > 0 && Report.Generation > 0 &&
              Report.Generation % FParsed.CheckpointEvery == 0) {
            WithFile("checkpoint", FParsed.Checkpoint,
                     [&] { Component.SaveCheckpoint(FParsed.Checkpoint); });
          }
        });
  }

  // The progress display's target: the generation the run should reach.
  void SetTarget(std::int32_t Generation) {
    if (FProgress)
      FProgress = std::make_unique<kx::TKXProgressDisplay>(
          std::cerr, kx::TKXProgressDisplay::IsTerminal(2), Generation);
  }

  // The final checkpoint (with --checkpoint) and the stop reason line.
  void Finish(kx::TKXCustomGeneticComponent& Component) {
    if (FProgress) FProgress->Finish();
    if (!FParsed.Checkpoint.empty()) {
      WithFile("checkpoint", FParsed.Checkpoint,
               [&] { Component.SaveCheckpoint(FParsed.Checkpoint); });
    }
    std::cout << "stop reason = " << kx::StopReasonName(Component.StopReason()) << '\n';
  }

 private:
  const Args& FParsed;
  std::unique_ptr<kx::TKXRunLog> FLog;
  std::unique_ptr<kx::TKXProgressDisplay> FProgress;
};

}  // namespace examples
