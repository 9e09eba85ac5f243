#pragma once

/// @file
/// The handler types of the genetic components. Sender is always the component that fires
/// the event; a by-reference parameter is the value the handler may set (a veto flag, a
/// fitness, the selected parent).

#include <cstdint>
#include <functional>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/host/object.hpp"

namespace kx {

class TKXIndividual;
class TKXPopulation;

/// A plain notification from Sender.
using TNotifyEvent = std::function<void(TKXObject* Sender)>;

/// The handler stores the fitness of Item in Fitness (which arrives as 0).
using TKXFitnessEvent =
    std::function<void(TKXObject* Sender, TKXIndividual* Item, TGAFitness& Fitness)>;

/// The handler sets Initialized to true when it has set up the population itself.
using TKXInitializationEvent = std::function<void(TKXObject* Sender, bool& Initialized)>;

/// Tells about a child and its two parents (Parent2 may be nullptr).
using TKXParentChildEvent = std::function<void(TKXObject* Sender, TKXIndividual* Parent1,
                                               TKXIndividual* Parent2, TKXIndividual* Child)>;

/// Mutation, inversion and reproduction: DoMutation false vetoes the operator (or, for
/// reproduction, is the result reported).
using TKXMutationEvent =
    std::function<void(TKXObject* Sender, TKXIndividual* Item, bool& DoMutation)>;

/// Crossover veto: the flag carries the name DoMutation as the other operator events do.
using TKXCrossoverEvent =
    std::function<void(TKXObject* Sender, TKXIndividual* Parent1, TKXIndividual* Parent2,
                       TKXIndividual* Child, bool& DoMutation)>;

/// Stores the chosen member of Population in Parent.
using TKXSelectionEvent =
    std::function<void(TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent)>;

/// The stale individuals of a population about to be evaluated, handed over to be evaluated
/// elsewhere (another process, another machine). Items[i] sits at population index
/// Indices[i]; whoever evaluates it runs OnEvaluateFitness with the generator
/// TKXRandom(Seed, TKXCustomGeneticComponent::EvaluationStream(Indices[i])) current, and
/// stores the result in Fitnesses[i].
struct TKXFitnessBatch {
  std::vector<TKXIndividual*> Items;  ///< The stale individuals, in index order.
  std::vector<std::int32_t> Indices;  ///< Their population indices.
  std::uint64_t Seed = 0;             ///< The seed of their generator streams.
  std::vector<TGAFitness> Fitnesses;  ///< Filled by the handler, one per item.
};

/// Evaluates a whole batch of stale individuals (see TKXFitnessBatch).
using TKXFitnessBatchEvent = std::function<void(TKXObject* Sender, TKXFitnessBatch& Batch)>;

/// Tells about one individual.
using TKXIndividualEvent = std::function<void(TKXObject* Sender, TKXIndividual* Item)>;

}  // namespace kx
