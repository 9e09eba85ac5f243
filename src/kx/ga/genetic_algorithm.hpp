#pragma once

#include <string>

#include "kx/ga/custom_genetic_algorithm.hpp"

namespace kx {

class TKXFiler;

/// The genetic algorithm as applications place it: no behaviour of its own, it publishes
/// the settings for component streaming.
class TKXGeneticAlgorithm : public TKXCustomGeneticAlgorithm {
 public:
  using TKXCustomGeneticAlgorithm::TKXCustomGeneticAlgorithm;

  std::string ClassName() const override { return "TKXGeneticAlgorithm"; }

  /// The core's published properties, CrossoverMethod (stored when not cmGeneBoundary), the
  /// Genes (when there are any) and GeneSize (always stored), in the published order, then
  /// the core's extra entries.
  void DefineProperties(TKXFiler& Filer) override;
};

}  // namespace kx
