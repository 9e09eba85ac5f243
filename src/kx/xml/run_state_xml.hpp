#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kx/xml/xml_node.hpp"

namespace kx {

/// The "RunState" element a component adds at the end of its document's root when it saves a
/// checkpoint: everything its evolution loop carries from one generation to the next, so a
/// run continued from the document is the run that would have gone on. Numbers that must come
/// back exactly (fitnesses, the roulette table, the best fitness) are written in their
/// shortest exact decimal form; the generator's state as 16 hexadecimal digits per word. The
/// lists hold one number per individual of the population, in population order, separated
/// by blanks.
class TXMLRunStateType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created on
  /// first access).
  std::int32_t Generation() const { return ReadInt32("Generation"); }
  void SetGeneration(std::int32_t Value) const { WriteInt32("Generation", Value); }
  /// The calling thread's generator: its state word and its stream increment.
  std::string RandomState() const { return ReadString("RandomState"); }
  void SetRandomState(std::string_view Value) const { WriteString("RandomState", Value); }
  std::string RandomIncrement() const { return ReadString("RandomIncrement"); }
  void SetRandomIncrement(std::string_view Value) const { WriteString("RandomIncrement", Value); }
  /// The last index roulette or elitist selection picked (the elitist rank counter).
  std::int32_t RouletteIndex() const { return ReadInt32("RouletteIndex"); }
  void SetRouletteIndex(std::int32_t Value) const { WriteInt32("RouletteIndex", Value); }
  /// Fitness-handler calls since initialization (a 64-bit count).
  std::string Evaluations() const { return ReadString("Evaluations"); }
  void SetEvaluations(std::string_view Value) const { WriteString("Evaluations", Value); }
  /// The best fitness seen so far and the generation that reached it; both absent before the
  /// first generation was recorded.
  bool HasBestFitness() const noexcept { return static_cast<bool>(Node().Child("BestFitness")); }
  std::string BestFitness() const { return ReadString("BestFitness"); }
  void SetBestFitness(std::string_view Value) const { WriteString("BestFitness", Value); }
  std::int32_t BestGeneration() const { return ReadInt32("BestGeneration"); }
  void SetBestGeneration(std::int32_t Value) const { WriteInt32("BestGeneration", Value); }
  std::string ElapsedSeconds() const { return ReadString("ElapsedSeconds"); }
  void SetElapsedSeconds(std::string_view Value) const { WriteString("ElapsedSeconds", Value); }
  /// The raw fitness of every individual.
  std::string Fitnesses() const { return ReadString("Fitnesses"); }
  void SetFitnesses(std::string_view Value) const { WriteString("Fitnesses", Value); }
  /// The roulette table; absent when the component had none.
  bool HasRouletteTable() const noexcept {
    return static_cast<bool>(Node().Child("RouletteTable"));
  }
  std::string RouletteTable() const { return ReadString("RouletteTable"); }
  void SetRouletteTable(std::string_view Value) const { WriteString("RouletteTable", Value); }
  /// The value of every instruction in set order, and of every program node of the
  /// population, individual by individual in pre-order: a program document writes values
  /// with 15 significant digits, which would change the constants of a resumed run. Absent
  /// for other representations.
  bool HasNodeValues() const noexcept { return static_cast<bool>(Node().Child("NodeValues")); }
  std::string InstructionValues() const { return ReadString("InstructionValues"); }
  void SetInstructionValues(std::string_view Value) const {
    WriteString("InstructionValues", Value);
  }
  std::string NodeValues() const { return ReadString("NodeValues"); }
  void SetNodeValues(std::string_view Value) const { WriteString("NodeValues", Value); }
  ///@}
};

/// The "RunState" child of Root, if it has one (nothing is created).
std::optional<TXMLRunStateType> FindRunState(const TXMLNode& Root);
/// The "RunState" child of Root, emptied, or a new one appended at the end.
TXMLRunStateType NewRunState(const TXMLNode& Root);

}  // namespace kx
