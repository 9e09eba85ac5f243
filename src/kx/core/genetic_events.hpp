#pragma once

/// @file
/// The handler types of the genetic components. Sender is always the component that fires
/// the event; a by-reference parameter is the value the handler may set (a veto flag, a
/// fitness, the selected parent).

#include <functional>

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

/// Tells about one individual.
using TKXIndividualEvent = std::function<void(TKXObject* Sender, TKXIndividual* Item)>;

}  // namespace kx
