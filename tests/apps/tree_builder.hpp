#pragma once

#include <kx/kxevo.hpp>
#include <memory>
#include <string>
#include <utility>

#include "vocabulary.hpp"

// Builds program trees over kxsr's vocabulary by hand: T.F("add", T.V("x"), T.C(2)).
class TTreeBuilder {
 public:
  using TNodePtr = std::unique_ptr<kx::TKXGPNode<double>>;

  explicit TTreeBuilder(const std::vector<std::string>& Variables = {"x", "y"}) {
    std::vector<std::string> functions;
    for (const auto& info : kxsr::KnownFunctions()) functions.emplace_back(info.Name);
    FConstant = kxsr::AddInstructions(*FOwner.Instructions(), functions, Variables);
  }

  template <class... TArgs>
  TNodePtr F(const std::string& Name, TArgs&&... Args) {
    TNodePtr node = V(Name);
    (node->AddChild(std::forward<TArgs>(Args)), ...);
    return node;
  }
  TNodePtr V(const std::string& Name) {
    return FOwner.CreateNode(FOwner.Instructions()->ItemByName(Name));
  }
  TNodePtr C(double Value) {
    TNodePtr node = V(FConstant);
    node->SetValue(Value);
    return node;
  }

 private:
  kx::TKXGeneticProgrammingExecutor FOwner;
  std::string FConstant;
};
