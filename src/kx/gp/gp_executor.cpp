#include "kx/gp/gp_executor.hpp"

#include <algorithm>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "kx/gp/custom_genetic_programming.hpp"
#include "kx/gp/detail/program_document_load.hpp"
#include "kx/gp/detail/program_document_save.hpp"
#include "kx/gp_engine/float_node.hpp"
#include "kx/gp_engine/tree_node.hpp"
#include "kx/gp_engine/variant_node.hpp"
#include "kx/host/streaming.hpp"
#include "kx/xml/atomic_file.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "kx/xml/gp_domain_xml.hpp"
#include "kx/xml/xml_check.hpp"
#include "kx/xml/xml_document.hpp"

namespace kx {

namespace generics {

namespace {

bool HasChildElement(TKXXMLNode Node) noexcept {
  for (TKXXMLNode Child = Node.FirstChild(); Child; Child = Child.NextSibling()) {
    if (Child.NodeType() == TXMLNodeType::ntElement) return true;
  }
  return false;
}

// The nodes of a tree in a fixed order (each node before its children).
template <class T>
std::vector<TKXGPNode<T>*> TreeNodes(TKXGPNode<T>* Root) {
  std::vector<TKXGPNode<T>*> nodes;
  std::vector<TKXGPNode<T>*> stack{Root};
  while (!stack.empty()) {
    TKXGPNode<T>* node = stack.back();
    stack.pop_back();
    nodes.push_back(node);
    node->PushChildren(stack);
  }
  return nodes;
}

}  // namespace

template <class T>
TKXCustomGeneticProgrammingExecutor<T>::TKXCustomGeneticProgrammingExecutor(TKXComponent* AOwner)
    : TKXComponent(AOwner) {
  FInstructions = CreateInstructions(ItemClassOf<TKXGPInstruction<T>>());
}

template <class T>
TKXCustomGeneticProgrammingExecutor<T>::~TKXCustomGeneticProgrammingExecutor() {
  BeginDestroy();
  // The program refers to the instructions: it goes first.
  FGPProgram.reset();
  FInstructions.reset();
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::RecreateInstructions() {
  FGPProgram.reset();
  FInstructions = CreateInstructions(ItemClassOf<TKXGPInstruction<T>>());
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::Assign(TKXPersistent* Source) {
  if (auto* executor = dynamic_cast<TKXCustomGeneticProgrammingExecutor<T>*>(Source)) {
    if (executor == this) return;
    FInstructions->AssignAll(executor->Instructions());
    CopyProgram(executor->GPProgram());
    return;
  }
  if (auto* component = dynamic_cast<TKXCustomGeneticProgramming<T>*>(Source)) {
    if (TKXGPIndividual<T>* fittest = component->FittestIndividual()) {
      FInstructions->AssignAll(component->Instructions());
      CopyProgram(fittest->DNA());
    } else {
      AssignKeepingProgram(component->Instructions());
    }
    return;
  }
  TKXComponent::Assign(Source);
}

// --- Engine ----------------------------------------------------------------------------------

template <class T>
std::unique_ptr<TKXGPInstructions<T>> TKXCustomGeneticProgrammingExecutor<T>::CreateInstructions(
    TKXItemClass InstructionClass) {
  return std::make_unique<TKXGPInstructions<T>>(this, InstructionClass, this);
}

template <class T>
typename TKXCustomGeneticProgrammingExecutor<T>::TNodePtr
TKXCustomGeneticProgrammingExecutor<T>::CreateNode(TKXGPInstruction<T>* Item) {
  return std::make_unique<TKXGPTreeNode<T>>(Item);
}

template <class T>
std::int32_t TKXCustomGeneticProgrammingExecutor<T>::MaxNodeArity() const {
  return std::numeric_limits<std::int32_t>::max();
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::InstructionUpdate(TKXGPInstruction<T>* /*Item*/) {}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::InstructionNotify(TKXGPInstruction<T>* /*Item*/,
                                                               TCollectionNotification /*Action*/) {
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::InstructionOperationUpdate(
    TKXGPInstruction<T>* /*Item*/) {}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SetInstructions(TKXGPInstructions<T>* Value) {
  FInstructions->AssignAll(Value);
}

// --- The program -----------------------------------------------------------------------------

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SetGPProgram(const TNode* Node) {
  CopyProgram(Node);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::CopyProgram(const TNode* Source) {
  TNodePtr copy;
  if (Source != nullptr) {
    copy = Source->Clone();
    copy->RebindInstructions(*FInstructions);
    // Instructions without a namesake join the set (with their handlers), so that the
    // program depends on nothing but the executor and its saved form loads back.
    std::vector<std::pair<const TKXGPInstruction<T>*, TKXGPInstruction<T>*>> adopted;
    for (TNode* node : TreeNodes<T>(copy.get())) {
      const TKXGPInstruction<T>* foreign = node->Instruction();
      if (foreign == nullptr || foreign->Collection() == FInstructions.get()) continue;
      auto known = std::find_if(adopted.begin(), adopted.end(),
                                [foreign](const auto& Pair) { return Pair.first == foreign; });
      if (known == adopted.end()) {
        TKXGPInstruction<T>* own = FInstructions->Add();
        own->Assign(const_cast<TKXGPInstruction<T>*>(foreign));
        own->AssignEvents(const_cast<TKXGPInstruction<T>*>(foreign));
        known = adopted.insert(adopted.end(), {foreign, own});
      }
      node->SetInstruction(known->second);
    }
  }
  FGPProgram = std::move(copy);
  FGPProgramLines.Clear();
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::AssignKeepingProgram(TKXGPInstructions<T>* Source) {
  if (!FGPProgram) {
    FInstructions->AssignAll(Source);
    FGPProgramLines.Clear();
    return;
  }
  // The program's instructions go away with the set: remember their names in tree order
  // and find the new namesakes afterwards.
  const std::vector<TNode*> nodes = TreeNodes<T>(FGPProgram.get());
  std::vector<std::optional<std::string>> names;
  names.reserve(nodes.size());
  for (const TNode* node : nodes) {
    const TKXGPInstruction<T>* instruction = node->Instruction();
    names.push_back(instruction != nullptr ? std::optional<std::string>(instruction->Name())
                                           : std::nullopt);
  }
  FInstructions->AssignAll(Source);
  FGPProgramLines.Clear();
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (!names[i]) continue;
    TKXGPInstruction<T>* namesake = FInstructions->FindItemName(*names[i]);
    if (namesake == nullptr) {
      FGPProgram.reset();
      return;
    }
    nodes[i]->SetInstruction(namesake);
  }
}

template <class T>
TKXStringList& TKXCustomGeneticProgrammingExecutor<T>::GPProgramLines() {
  if (FGPProgramLines.Count() == 0 && FGPProgram) GenerateXML();
  return FGPProgramLines;
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SetGPProgramLines(const TKXStringList& Lines) {
  FGPProgramLines.SetText(Lines.Text());
  if (IsDesigning()) Parse();
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::GenerateXML() {
  if (!FGPProgram) return;
  std::unique_ptr<TKXXMLDocument> doc = TKXXMLDocument::New("Population");
  const TXMLIndividualType individual = GetGPPopulation(*doc).Add();
  const TXMLDnaType dna = individual.DNA();
  FGPProgram->SaveToXML(dna);
  FGPProgramLines.SetText(NodeToXML(dna.Node(), true));
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::Parse() {
  if (FInstructions->Count() == 0) return;
  TKXXMLDocument doc;
  doc.LoadFromXML(FGPProgramLines.Text());
  const TKXXMLNode root = doc.DocumentElement();
  if (IsElement(root, "GPDomain")) {
    LoadDomain(GetGPDomain(doc));
  } else if (IsElement(root, "DNA")) {
    LoadProgram(TXMLDnaType(root));
  } else if (IsElement(root, "Population")) {
    const TXMLGPPopulation population = GetGPPopulation(doc);
    if (population.Count() == 0) throw EXMLError("The population holds no program");
    LoadProgram(population.Items(0).DNA());
  } else {
    throw EXMLError("The program text has the root element \"" + std::string(root.NodeName()) +
                    "\"; expected \"DNA\", \"GPDomain\" or \"Population\"");
  }
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadProgram(const TXMLDnaType& DNA) {
  if (!DNA.HasInstruction()) {
    FGPProgram.reset();
    return;
  }
  TNodePtr root = CreateNode(nullptr);
  // A provisional instruction through which the root finds the set to resolve names in.
  root->SetInstruction(FInstructions->Items(0));
  root->LoadFromXML(DNA);
  FGPProgram = std::move(root);
}

template <class T>
T TKXCustomGeneticProgrammingExecutor<T>::Execute(TKXGPContext<T>& Context) {
  if (!FGPProgram) return T{};
  return FGPProgram->Execute(&Context);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::ExecuteBatch(const TKXGPBatchContext<T>& Context,
                                                          std::span<T> Results) {
  if (!FGPProgram) {
    std::fill(Results.begin(), Results.end(), T{});
    return;
  }
  FGPProgram->ExecuteBatch(Context, Results);
}

// --- Documents ---------------------------------------------------------------------------------

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadFromFile(const std::string& FileName) {
  TXMLDocumentBinding<TXMLGeneticProgram> doc = LoadGeneticProgram(FileName);
  LoadCheckedDocument(doc.Document());
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadFromStream(std::istream& Stream) {
  TKXXMLDocument doc;
  doc.LoadFromStream(Stream);
  LoadCheckedDocument(doc);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadCheckedDocument(TKXXMLDocument& Doc) {
  const TXMLGeneticProgram root = GetGeneticProgram(Doc);
  const TKXXMLNode domain = root.Node().Child("Domain");
  {
    const TKXXMLNode instructions = domain.Child("Instructions");
    const std::unique_ptr<TKXGPInstructions<T>> staged = StageInstructions<T>(
        *FInstructions, HasChildElement(instructions) ? instructions : TKXXMLNode());
    if (staged->Count() > 0) {
      CheckProgram<T>(*this, *staged, domain.Child("FittestIndividual").Child("DNA"));
    }
  }
  ApplyWithRollback(
      [this] {
        TXMLDocumentBinding<TXMLGeneticProgram> snapshot = NewGeneticProgram();
        SaveToXML(snapshot.Root());
        return snapshot.ReleaseDocument();
      },
      [&] { LoadFromXML(root); },
      [this](TKXXMLDocument& Snapshot) { LoadFromXML(GetGeneticProgram(Snapshot)); });
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SaveToFile(const std::string& FileName) {
  CheckSavableProgram<T>(GPProgram(), "The program");
  TXMLDocumentBinding<TXMLGeneticProgram> doc = NewGeneticProgram();
  doc.Document().SetAutoIndent(true);
  SaveToXML(doc.Root());
  SaveDocumentToFile(doc.Document(), FileName);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SaveToStream(std::ostream& Stream) {
  CheckSavableProgram<T>(GPProgram(), "The program");
  TXMLDocumentBinding<TXMLGeneticProgram> doc = NewGeneticProgram();
  SaveToXML(doc.Root());
  doc.Document().SaveToStream(Stream);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadFromXML(const TXMLGeneticProgram& Doc) {
  LoadFromXML(Doc.Domain());
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SaveToXML(const TXMLGeneticProgram& Doc) {
  SaveToXML(Doc.Domain());
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadFromXML(const TXMLGPDomainType& Domain) {
  LoadDomain(Domain);
  FGPProgramLines.Clear();
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadDomain(const TXMLGPDomainType& Domain) {
  // Plain node look-ups: the wrappers' getters would add the elements they miss, and
  // reading must leave the document as it is.
  const TKXXMLNode instructions = Domain.Node().Child("Instructions");
  if (HasChildElement(instructions)) {
    FInstructions->LoadFromXML(TXMLGPInstructions(instructions));
    OrderAsDocument(*FInstructions, instructions);
  }
  if (FInstructions->Count() == 0) return;
  const TKXXMLNode dna = Domain.Node().Child("FittestIndividual").Child("DNA");
  if (!dna) {
    FGPProgram.reset();
    return;
  }
  LoadProgram(TXMLDnaType(dna));
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SaveToXML(const TXMLGPDomainType& Domain) {
  FInstructions->SaveToXML(Domain.Instructions());
  const TXMLDnaType dna = Domain.FittestIndividual().DNA();
  if (FGPProgram) FGPProgram->SaveToXML(dna);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::LoadFromXML(const TXMLGPInstructions& Instructions) {
  FInstructions->LoadFromXML(Instructions);
}

template <class T>
void TKXCustomGeneticProgrammingExecutor<T>::SaveToXML(const TXMLGPInstructions& Instructions) {
  FInstructions->SaveToXML(Instructions);
}

template class TKXCustomGeneticProgrammingExecutor<TGAFloat>;
template class TKXCustomGeneticProgrammingExecutor<TKXVariant>;

}  // namespace generics

namespace {

// The published properties: the instruction set, then the program's text form (read
// after the instructions it names).
template <class TExecutor>
void DefinePublished(TExecutor& Executor, TKXFiler& Filer) {
  Filer.Collection("Instructions", *Executor.Instructions(), Executor.Instructions()->Count() > 0);
  Filer.StringProperty(
      "GPProgramLines", [&Executor] { return Executor.GPProgramLines().Text(); },
      [&Executor](const std::string& Text) {
        TKXStringList lines;
        lines.SetText(Text);
        Executor.SetGPProgramLines(lines);
      });
}

}  // namespace

void TKXGeneticProgrammingExecutor::DefineProperties(TKXFiler& Filer) {
  TKXCustomGeneticProgrammingExecutor::DefineProperties(Filer);
  DefinePublished(*this, Filer);
}

void TKXGeneticProgrammingVariantExecutor::DefineProperties(TKXFiler& Filer) {
  TKXCustomGeneticProgrammingVariantExecutor::DefineProperties(Filer);
  DefinePublished(*this, Filer);
}

}  // namespace kx
