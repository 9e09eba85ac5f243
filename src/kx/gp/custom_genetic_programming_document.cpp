// The program component's documents: GeneticProgram (header, reproduction, domain), its
// GPDomain part and the instruction set alone.

#include <cstdint>
#include <istream>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "kx/core/detail/exact_numbers.hpp"
#include "kx/core/detail/fitness_snapshot.hpp"
#include "kx/gp/custom_genetic_programming.hpp"
#include "kx/gp/detail/program_document_load.hpp"
#include "kx/gp/detail/program_document_save.hpp"
#include "kx/host/variant.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "kx/xml/gp_domain_xml.hpp"
#include "kx/xml/run_state_xml.hpp"
#include "kx/xml/xml_check.hpp"
#include "kx/xml/xml_document.hpp"

namespace kx::generics {

namespace {

// Visits every node of each program of Population, individual by individual in pre-order,
// without recursion (a document may hold very deep programs).
template <class T, class F>
void ForEachProgramNode(const TKXGPPopulation<T>& Population, F&& Visit) {
  std::vector<TKXGPNode<T>*> stack;
  for (int i = 0; i < Population.Count(); ++i) {
    if (TKXGPNode<T>* root = Population.Items(i)->DNA()) stack.push_back(root);
    while (!stack.empty()) {
      TKXGPNode<T>* node = stack.back();
      stack.pop_back();
      Visit(*node);
      node->PushChildren(stack);
    }
  }
}

// A checkpoint keeps the float constants exactly (see TXMLRunStateType::NodeValues).
template <class T>
void SaveExactValues(const TKXGPInstructions<T>& Instructions, const TKXGPPopulation<T>& Population,
                     const TXMLNode& Root) {
  if constexpr (std::is_same_v<T, TGAFloat>) {
    const std::optional<TXMLRunStateType> runState = FindRunState(Root);
    if (!runState) return;
    std::vector<double> values;
    for (int i = 0; i < Instructions.Count(); ++i) values.push_back(Instructions.Items(i)->Value());
    runState->SetInstructionValues(detail::ExactDoublesText(values));
    values.clear();
    ForEachProgramNode(Population, [&](TKXGPNode<T>& Node) { values.push_back(Node.Value()); });
    runState->SetNodeValues(detail::ExactDoublesText(values));
  }
}

// Reads what SaveExactValues wrote into the loaded instructions and programs; both lists are
// checked before either is applied.
template <class T>
void LoadExactValues(const TKXGPInstructions<T>& Instructions, const TKXGPPopulation<T>& Population,
                     const TXMLNode& Root) {
  if constexpr (std::is_same_v<T, TGAFloat>) {
    const std::optional<TXMLRunStateType> runState = FindRunState(Root);
    if (!runState || !runState->HasNodeValues()) return;
    const std::vector<double> instructionValues =
        detail::ParseExactDoubles("InstructionValues", runState->InstructionValues());
    const std::vector<double> nodeValues =
        detail::ParseExactDoubles("NodeValues", runState->NodeValues());
    std::size_t nodes = 0;
    ForEachProgramNode(Population, [&](TKXGPNode<T>&) { ++nodes; });
    const auto expect = [](const char* Element, std::size_t Got, std::size_t Want,
                           const char* What) {
      if (Got != Want) {
        detail::BadRunState(
            Element, std::to_string(Got) + " values for " + std::to_string(Want) + " " + What);
      }
    };
    expect("InstructionValues", instructionValues.size(),
           static_cast<std::size_t>(Instructions.Count()), "instructions");
    expect("NodeValues", nodeValues.size(), nodes, "nodes");
    for (int i = 0; i < Instructions.Count(); ++i)
      Instructions.Items(i)->SetValue(instructionValues[i]);
    std::size_t next = 0;
    ForEachProgramNode(Population, [&](TKXGPNode<T>& Node) { Node.SetValue(nodeValues[next++]); });
  }
}

// The strategies whose raw fitness is not the program's alone: Tarpeian culling draws at
// random, and every culled fitness follows the fitness method and limit of its moment.
bool CullsByFitness(TGPBloatStrategy Strategy) noexcept {
  return Strategy == bsTarpeianSize || Strategy == bsTarpeianDepth || Strategy == bsUnfitSize ||
         Strategy == bsUnfitDepth;
}

}  // namespace

template <class T>
void TKXCustomGeneticProgramming<T>::SaveToStream(std::ostream& Stream) {
  for (std::int32_t i = 0; i < Population()->Count(); ++i) {
    CheckSavableProgram<T>(Population()->Items(i)->DNA(), "Individual " + std::to_string(i));
  }
  TXMLDocumentBinding<TXMLGeneticProgram> doc = NewGeneticProgram();
  doc.Document().SetAutoIndent(true);
  SaveToXML(doc.Root());
  doc.Document().SaveToStream(Stream);
}

template <class T>
void TKXCustomGeneticProgramming<T>::LoadFromStream(std::istream& Stream) {
  TKXXMLDocument doc;
  doc.LoadFromStream(Stream);
  LoadCheckedDocument(doc);
}

template <class T>
void TKXCustomGeneticProgramming<T>::LoadFromFile(const std::string& FileName) {
  TXMLDocumentBinding<TXMLGeneticProgram> doc = LoadGeneticProgram(FileName);
  LoadCheckedDocument(doc.Document());
}

template <class T>
void TKXCustomGeneticProgramming<T>::LoadCheckedDocument(TKXXMLDocument& Doc) {
  const TXMLGeneticProgram root = GetGeneticProgram(Doc);
  CheckGeneticProgramValues(root.Node());
  const TKXXMLNode domain = root.Node().Child("Domain");
  {
    const std::unique_ptr<TKXGPInstructions<T>> staged =
        StageInstructions<T>(*FInstructions, domain.Child("Instructions"));
    for (TKXXMLNode individual = domain.Child("Population").Child("Individual"); individual;
         individual = individual.NextSibling("Individual")) {
      CheckProgram<T>(*this, *staged, individual.Child("DNA"));
      CheckValues(individual, {{"Fitness", TXMLValueKind::vkSingle}});
    }
  }
  auto apply = [this](const TXMLGeneticProgram& Root) {
    const TKXXMLNode domain = Root.Node().Child("Domain");
    const std::int32_t fittest = IndexOfSameContent(domain.Child("FittestIndividual"),
                                                    domain.Child("Population"), "Individual");
    LoadFromXML(Root);
    // Evaluating again would not give back a culled fitness (one of the two unfit values,
    // which a culling strategy since left may still hold), nor say which individuals the
    // draws spared: those saved fitnesses stay, unless the run state brought back its own.
    const bool culling = CullsByFitness(FBloatStrategy);
    TPopulation* population = Population();
    std::int32_t index = 0;
    for (TKXXMLNode item = domain.Child("Population").Child("Individual");
         item && index < population->Count(); item = item.NextSibling("Individual"), ++index) {
      TIndividual* individual = population->Items(index);
      const float stored = TXMLIndividualType(item).Fitness();
      const bool culled = stored == std::numeric_limits<float>::max() ||
                          stored == std::numeric_limits<float>::min();
      if (individual->NeedFitness() && (culling || culled)) individual->RestoreFitness(stored);
    }
    RestoreSavedStatistics(Root, fittest);
  };
  detail::TFitnessSnapshot fitnesses;
  ApplyWithRollback(
      [&] {
        fitnesses.Take(*Population());
        TXMLDocumentBinding<TXMLGeneticProgram> snapshot = NewGeneticProgram();
        SaveToXML(snapshot.Root());
        return snapshot.ReleaseDocument();
      },
      [&] { apply(root); },
      [&](TKXXMLDocument& Snapshot) {
        RestoreWithoutHandlers([&] {
          apply(GetGeneticProgram(Snapshot));
          fitnesses.PutBack(*Population());
        });
      });
}

template <class T>
void TKXCustomGeneticProgramming<T>::SaveToXML(const TXMLGeneticProgram& Doc) {
  TKXCustomGeneticComponent::SaveToXML(Doc);
  const TXMLGPReproductionType reproduction = Doc.Reproduction();
  reproduction.SetCrossoverMethod(EnumName(FCrossoverMethod));
  SaveReproductionToXML(reproduction);
  reproduction.SetInitializationMethod(EnumName(FInitializationMethod));
  reproduction.SetInitializationDepth(FInitializationDepth);
  const TXMLGPReproductionType_MutationWeights weights = reproduction.MutationWeights();
  weights.SetMmSubtree(FMutationWeights[mmSubtree]);
  weights.SetMmReplacement(FMutationWeights[mmReplacement]);
  weights.SetMmConstant(FMutationWeights[mmConstant]);
  weights.SetMmShrink(FMutationWeights[mmShrink]);
  weights.SetMmHoist(FMutationWeights[mmHoist]);
  weights.SetMmPoint(FMutationWeights[mmPoint]);
  reproduction.SetSelectionNonterminalsProbability(
      static_cast<float>(FSelectionNonTerminalsProbability));
  reproduction.SetPointMutationMethod(EnumName(FPointMutationMethod));
  reproduction.SetPointMutationProbability(static_cast<float>(FPointMutationProbability));
  SaveToXML(Doc.Domain());
  SaveRunStateToXML(Doc);
  SaveExactValues(*FInstructions, *Population(), Doc);
}

template <class T>
void TKXCustomGeneticProgramming<T>::LoadFromXML(const TXMLGeneticProgram& Doc) {
  TKXCustomGeneticComponent::LoadFromXML(Doc);
  const TXMLGPReproductionType reproduction = Doc.Reproduction();
  if (const auto method =
          EnumFromNameIgnoreCase<TGPCrossoverMethod>(reproduction.CrossoverMethod()))
    FCrossoverMethod = *method;
  LoadReproductionFromXML(reproduction);
  if (const auto method =
          EnumFromNameIgnoreCase<TGPInitializationMethod>(reproduction.InitializationMethod()))
    SetInitializationMethod(*method);
  SetInitializationDepth(reproduction.InitializationDepth());
  const TXMLGPReproductionType_MutationWeights weights = reproduction.MutationWeights();
  // Stored as they are, without the setter's clamp: each weight keeps the low byte of the
  // document's integer.
  FMutationWeights = {static_cast<std::uint8_t>(weights.MmSubtree()),
                      static_cast<std::uint8_t>(weights.MmReplacement()),
                      static_cast<std::uint8_t>(weights.MmConstant()),
                      static_cast<std::uint8_t>(weights.MmShrink()),
                      static_cast<std::uint8_t>(weights.MmHoist()),
                      static_cast<std::uint8_t>(weights.MmPoint())};
  FMutationWeightSum = SumOfWeights(FMutationWeights);
  SetSelectionNonTerminalsProbability(reproduction.SelectionNonterminalsProbability());
  if (const auto method =
          EnumFromNameIgnoreCase<TGPPointMutationMethod>(reproduction.PointMutationMethod()))
    SetPointMutationMethod(*method);
  SetPointMutationProbability(reproduction.PointMutationProbability());
  LoadFromXML(Doc.Domain());
  LoadExactValues(*FInstructions, *Population(), Doc);
  LoadRunStateFromXML(Doc);
}

template <class T>
void TKXCustomGeneticProgramming<T>::SaveToXML(const TXMLGPDomainType& Domain) {
  FInstructions->SaveToXML(Domain.Instructions());
  // A fittest individual left in the previous generation (by a swap, or a generation that
  // failed while breeding) is not written: a loaded component holds the population alone.
  TIndividual* fittest = FittestIndividual();
  if (fittest != nullptr && fittest->Collection() == Population())
    fittest->SaveToXML(Domain.FittestIndividual());
  Population()->SaveToXML(Domain.Population());
}

template <class T>
void TKXCustomGeneticProgramming<T>::LoadFromXML(const TXMLGPDomainType& Domain) {
  InitializeForDocument();
  // The set first: its changes empty the populations, which are then read against it.
  FInstructions->LoadFromXML(Domain.Instructions());
  OrderAsDocument(*FInstructions, Domain.Instructions().Node());
  Population()->LoadFromXML(Domain.Population());
  SetPreviousGeneration(Population());
  // Copying into the previous generation evaluated the loaded programs with whatever
  // fitness handler was attached, possibly none yet: leave both generations stale, so
  // their fitness comes from the handler the application attaches after loading.
  for (TKXPopulation* population :
       {TKXCustomGeneticComponent::Population(), TKXCustomGeneticComponent::PreviousGeneration()}) {
    population->BeginUpdate();
    for (int i = 0; i < population->Count(); ++i) population->ItemAt(i)->Modified();
    population->EndUpdate();
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::SaveToXML(const TXMLGPInstructions& Instructions) {
  FInstructions->SaveToXML(Instructions);
}

template <class T>
void TKXCustomGeneticProgramming<T>::LoadFromXML(const TXMLGPInstructions& Instructions) {
  FInstructions->LoadFromXML(Instructions);
}

template void TKXCustomGeneticProgramming<TGAFloat>::SaveToStream(std::ostream&);
template void TKXCustomGeneticProgramming<TGAFloat>::LoadFromStream(std::istream&);
template void TKXCustomGeneticProgramming<TGAFloat>::LoadFromFile(const std::string&);
template void TKXCustomGeneticProgramming<TGAFloat>::SaveToXML(const TXMLGeneticProgram&);
template void TKXCustomGeneticProgramming<TGAFloat>::LoadFromXML(const TXMLGeneticProgram&);
template void TKXCustomGeneticProgramming<TGAFloat>::SaveToXML(const TXMLGPDomainType&);
template void TKXCustomGeneticProgramming<TGAFloat>::LoadFromXML(const TXMLGPDomainType&);
template void TKXCustomGeneticProgramming<TGAFloat>::SaveToXML(const TXMLGPInstructions&);
template void TKXCustomGeneticProgramming<TGAFloat>::LoadFromXML(const TXMLGPInstructions&);

template void TKXCustomGeneticProgramming<TKXVariant>::SaveToStream(std::ostream&);
template void TKXCustomGeneticProgramming<TKXVariant>::LoadFromStream(std::istream&);
template void TKXCustomGeneticProgramming<TKXVariant>::LoadFromFile(const std::string&);
template void TKXCustomGeneticProgramming<TKXVariant>::SaveToXML(const TXMLGeneticProgram&);
template void TKXCustomGeneticProgramming<TKXVariant>::LoadFromXML(const TXMLGeneticProgram&);
template void TKXCustomGeneticProgramming<TKXVariant>::SaveToXML(const TXMLGPDomainType&);
template void TKXCustomGeneticProgramming<TKXVariant>::LoadFromXML(const TXMLGPDomainType&);
template void TKXCustomGeneticProgramming<TKXVariant>::SaveToXML(const TXMLGPInstructions&);
template void TKXCustomGeneticProgramming<TKXVariant>::LoadFromXML(const TXMLGPInstructions&);

}  // namespace kx::generics
