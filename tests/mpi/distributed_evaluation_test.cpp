#include "kx/mpi/distributed_evaluation.hpp"

#include <gmock/gmock.h>

#include <numeric>
#include <tuple>

#include "kx/core/run_state.hpp"
#include "kx/host/random.hpp"
#include "mpi_test_support.hpp"

namespace kx::testing {
namespace {

// The run on rank 0 alone, then the same run distributed over every rank: the populations
// and fitnesses must match, whoever evaluated what.
TEST(DistributedEvaluation, EqualsTheRunOnOneProcess) {
  // Name, factory, parallel loop, rank 0 evaluates, chunk size, and whether the handler adds a
  // draw from the library generator to the fitness.
  const std::tuple<const char*, decltype(&MakeGA), bool, bool, std::int32_t, bool> cases[] = {
      {"ga", MakeGA, false, true, 0, false},
      {"ga without rank 0", MakeGA, false, false, 3, false},
      {"ga parallel, random handler", MakeGA, true, true, 1, true},
      {"gp", MakeGP, false, true, 0, false},
      {"gp parallel without rank 0", MakeGP, true, false, 2, false}};
  for (const auto& [name, factory, parallel, master_evaluates, chunk, noisy] : cases) {
    SCOPED_TRACE(name);
    auto run = [&](TKXCustomGeneticComponent& Component) {
      RandSeed(11);
      parallel ? Component.ParallelEvolve(4) : Component.Evolve(4);
    };
    std::unique_ptr<TKXCustomGeneticComponent> alone = factory(), shared = factory();
    if (noisy) {
      for (TKXCustomGeneticComponent* component : {alone.get(), shared.get()}) {
        component->SetOnEvaluateFitness([plain = component->OnEvaluateFitness()](
                                            TKXObject* S, TKXIndividual* I, TGAFitness& F) {
          plain(S, I, F);
          F += RandomFloat();
        });
      }
      // A drawing handler cannot repeat the draws a run without batches makes from the
      // library generator; the reference evaluates its batches here, with the same streams.
      alone->SetOnEvaluateBatch([reference = alone.get()](TKXObject*, TKXFitnessBatch& Batch) {
        for (std::size_t i = 0; i < Batch.Items.size(); ++i) {
          TKXRandom stream(Batch.Seed,
                           TKXCustomGeneticComponent::EvaluationStream(Batch.Indices[i]));
          TKXRandomScope scope(stream);
          reference->OnEvaluateFitness()(reference, Batch.Items[i], Batch.Fitnesses[i]);
        }
      });
    }
    if (World().Rank() == 0) run(*alone);
    TKXDistributedEvaluation evaluation(World(), *shared);
    evaluation.SetMasterEvaluates(master_evaluates);
    evaluation.SetChunkSize(chunk);
    if (!evaluation.Run([&] { run(*shared); })) continue;
    EXPECT_EQ(Snapshot(*shared), Snapshot(*alone));
    EXPECT_EQ(shared->RunState().Evaluations(), alone->RunState().Evaluations());
    const std::vector<std::int64_t>& by = evaluation.EvaluatedBy();
    EXPECT_EQ(std::accumulate(by.begin(), by.end(), std::int64_t{0}),
              alone->RunState().Evaluations());
    EXPECT_EQ(World().Size() > 1 && !master_evaluates ? by[0] : 0, 0) << "evaluated by rank 0";
  }
}

// A handler that raises on the last rank reaches rank 0 as an error naming that rank, and
// every rank leaves Run (the test would hang otherwise).
TEST(DistributedEvaluation, ReportsTheRankOfAFailingHandler) {
  const int failing = World().Size() - 1;
  std::unique_ptr<TKXCustomGeneticComponent> ga = MakeGA();
  if (World().Rank() == failing) {
    ga->SetOnEvaluateFitness(
        [](TKXObject*, TKXIndividual*, TGAFitness&) { throw std::runtime_error("no licence"); });
  }
  TKXDistributedEvaluation evaluation(World(), *ga);
  evaluation.SetChunkSize(1);
  evaluation.SetMasterEvaluates(failing == 0);
  evaluation.Run([&] {
    EXPECT_THAT([&] { ga->Evolve(2); },
                ::testing::ThrowsMessage<EGAException>("Fitness evaluation failed on rank " +
                                                       std::to_string(failing) + ": no licence"));
  });
}

}  // namespace
}  // namespace kx::testing
