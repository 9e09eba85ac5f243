#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace kx {

class TKXByteReader;
class TKXByteWriter;
class TKXCustomGeneticComponent;
class TKXIndividual;

/// The compact binary form in which a component's individuals travel between ranks: a
/// genetic algorithm's chromosome as its size and packed words; a program as its tree in
/// pre-order, each node its instruction's index in the component's instruction set, its
/// number of children and, for a constant, its value. The fitness does not travel with it.
/// Both ends must hold components of the same class with the same instruction set.
class TKXIndividualCodec {
 public:
  virtual ~TKXIndividualCodec() = default;
  /// Appends Item's form to Out.
  virtual void Encode(TKXIndividual& Item, TKXByteWriter& Out) = 0;
  /// Makes Item (an individual of the component's population) the individual In holds, and
  /// marks it modified. Raises EGAException "Malformed message" for bytes that are not such a
  /// form, and EGPException for an instruction index outside the set.
  virtual void Decode(TKXByteReader& In, TKXIndividual& Item) = 0;
};

/// The codec of Component's individuals: a genetic algorithm's or a program component's
/// (float or variant values). Raises EGAException for any other component class.
std::unique_ptr<TKXIndividualCodec> CreateIndividualCodec(TKXCustomGeneticComponent& Component);

}  // namespace kx
