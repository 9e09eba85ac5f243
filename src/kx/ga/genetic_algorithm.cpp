#include "kx/ga/genetic_algorithm.hpp"

#include "kx/core/enum_property.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

void TKXGeneticAlgorithm::DefineProperties(TKXFiler& Filer) {
  TKXCustomGeneticAlgorithm::DefineProperties(Filer);
  EnumProperty<TGACrossoverMethod>(
      Filer, "CrossoverMethod", [this] { return CrossoverMethod(); },
      [this](TGACrossoverMethod v) { SetCrossoverMethod(v); }, cmGeneBoundary);
  Filer.Property(
      "GeneSize", [this] { return std::to_string(GeneSize()); },
      [this](const std::string& Text) { SetGeneSize(StrToInt(Text)); }, true);
}

}  // namespace kx
