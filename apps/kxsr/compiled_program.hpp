#pragma once

#include <cstdint>
#include <kx/kxevo.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dataset.hpp"
#include "vocabulary.hpp"

namespace kxsr {

// A program tree in postfix form with its constants as parameters, for the code that needs
// more than the tree's value: the derivatives of the value with respect to each constant
// (constant fitting) and evaluation with trial constants. Built from the tree, it refers
// to the tree's constant nodes to write fitted values back; it must not outlive the tree.
class TCompiledProgram {
 public:
  // Nothing when the tree has a node without instruction, a function kxsr does not know
  // or a variable that Names lacks.
  static std::optional<TCompiledProgram> Compile(kx::TKXGPNode<double>& Tree,
                                                 const std::vector<std::string>& Names);

  std::size_t ConstantCount() const noexcept { return FConstantNodes.size(); }
  // The constants' current values in the tree, in postfix order.
  std::vector<double> Constants() const;
  // Stores Values into the tree's constant nodes.
  void SetConstants(std::span<const double> Values) const;

  // Out[k] = the program's value for case k of Data with the constants Values.
  void Evaluate(const TDataset& Data, std::span<const double> Values, std::span<double> Out);
  // Evaluate, and Jacobian[j * Data.Count() + k] = d Out[k] / d Values[j].
  void Differentiate(const TDataset& Data, std::span<const double> Values, std::span<double> Out,
                     std::span<double> Jacobian);

 private:
  enum class TKind : std::uint8_t { Function, Variable, Constant };
  struct TStep {
    TKind Kind;
    TOp Op;
    int Index;  // variable column, constant number or function arity
  };

  void Run(const TDataset& Data, std::span<const double> Values, std::span<double> Out,
           std::span<double> Jacobian, bool Derivatives);

  std::vector<TStep> FSteps;
  std::vector<kx::TKXGPNode<double>*> FConstantNodes;
  std::size_t FMaxStack = 0;
  // Working memory: per stack level, the values (and derivatives) of every case.
  std::vector<double> FValues;
  std::vector<double> FTangents;
};

}  // namespace kxsr
