#pragma once

/// @file
/// The handler types of the genetic algorithm. Sender is the component.

#include <cstdint>
#include <functional>

#include "kx/core/consts.hpp"
#include "kx/host/object.hpp"

namespace kx {

class TKXGAGene;
class TKXGAIndividual;
class TKXGAPopulation;

/// Called before each child is crossed. The handler may move the cut (CrossoverBit, the last
/// bit taken from Parent1) and veto the crossover of this child by setting DoMutation to
/// false (the flag keeps the name the other operator events use).
using TKXGACrossoverEvent =
    std::function<void(TKXObject* Sender, TKXGAIndividual* Parent1, TKXGAIndividual* Parent2,
                       TKXGAIndividual* Child, std::int32_t& CrossoverBit, bool& DoMutation)>;

///@{
/// GA-typed forms of the core's handler types, for applications that prefer them.
using TKXGAFitnessEvent =
    std::function<void(TKXObject* Sender, TKXGAIndividual* Item, TGAFitness& Fitness)>;
using TKXGAIndividualEvent = std::function<void(TKXObject* Sender, TKXGAIndividual* Item)>;
using TKXGAParentChildEvent = std::function<void(TKXObject* Sender, TKXGAIndividual* Parent1,
                                                 TKXGAIndividual* Parent2, TKXGAIndividual* Child)>;
using TKXGAMutationEvent =
    std::function<void(TKXObject* Sender, TKXGAIndividual* Item, bool& DoMutation)>;
using TKXGASelectionEvent =
    std::function<void(TKXObject* Sender, TKXGAPopulation* Population, TKXGAIndividual*& Parent)>;
using TKXGeneEvent = std::function<void(TKXObject* Sender, TKXGAGene* Item)>;
///@}

}  // namespace kx
