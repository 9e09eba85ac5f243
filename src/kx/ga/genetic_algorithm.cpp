#include "kx/ga/genetic_algorithm.hpp"

#include <optional>

#include "kx/host/exceptions.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

void TKXGeneticAlgorithm::DefineProperties(TKXFiler& Filer) {
  TKXCustomGeneticAlgorithm::DefineProperties(Filer);
  Filer.Property(
      "CrossoverMethod", [this] { return std::string(EnumName(CrossoverMethod())); },
      [this](const std::string& Text) {
        const std::optional<TGACrossoverMethod> value = EnumFromName<TGACrossoverMethod>(Text);
        if (!value) throw EConvertError("Invalid property value " + Text);
        SetCrossoverMethod(*value);
      },
      CrossoverMethod() != cmGeneBoundary);
  Filer.Property(
      "GeneSize", [this] { return std::to_string(GeneSize()); },
      [this](const std::string& Text) { SetGeneSize(StrToInt(Text)); }, true);
}

}  // namespace kx
