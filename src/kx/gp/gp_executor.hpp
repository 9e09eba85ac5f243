#pragma once

/// @file
/// Program executors: components that run one evolved program without any evolution
/// machinery. The generic executor is generics::TKXCustomGeneticProgrammingExecutor<T>; the
/// concrete classes fix the value type, the node class and the instruction classes:
///
///   TKXCustomGeneticProgrammingExecutor, TKXGeneticProgrammingExecutor
///       float values, TKXGPFloatNode, TKXGPFloatInstructions of TKXGPFloatInstruction
///   TKXCustomGeneticProgrammingVariantExecutor, TKXGeneticProgrammingVariantExecutor
///       variant values, TKXGPVariantNode, TKXGPVariantInstructions of TKXGPVariantInstruction
///
/// A typical use: evolve with a program component and save it (SaveToFile); later create an
/// executor, add the same instructions with their handlers (Add, Sub, x, ...), load the
/// file and Execute the program in a context holding the variables' values. Loading merges
/// the document's instructions into the executor's set by name, so instructions that exist
/// before the load keep their handlers.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/gp/concrete_gp_component.hpp"
#include "kx/gp_engine/batch_context.hpp"
#include "kx/gp_engine/context.hpp"
#include "kx/gp_engine/engine.hpp"
#include "kx/gp_engine/float_instruction.hpp"
#include "kx/gp_engine/float_node.hpp"
#include "kx/gp_engine/instruction.hpp"
#include "kx/gp_engine/node.hpp"
#include "kx/gp_engine/variant_instruction.hpp"
#include "kx/gp_engine/variant_node.hpp"
#include "kx/host/component.hpp"
#include "kx/host/string_list.hpp"
#include "kx/host/variant.hpp"

namespace kx {

/// Wrappers of the program documents (kx/xml/genetic_program_xml.hpp, gp_domain_xml.hpp).
class TKXXMLDocument;
class TXMLGeneticProgram;
class TXMLGPDomainType;
class TXMLGPInstructions;
class TXMLDnaType;

namespace generics {

/// Owns an instruction set, one program tree (absent until a program is set, assigned,
/// loaded or parsed) and the program's text form. It is the engine of its set and tree: it
/// creates their nodes, and keeps no population, so it ignores the set's change reports.
///
/// Choices where the behaviour is otherwise open:
/// - The text form round-trips: GenerateXML writes the program as the text of one "DNA"
///   element, and Parse reads that form as well as a whole GPDomain document (whose
///   fittest individual holds the program) and a "Population" document (the first
///   individual's program).
/// - A program whose nodes use instructions of another set (the tree handed to
///   SetGPProgram, the program of an executor or component being assigned) is switched to
///   the executor's own instructions of the same names, so that it runs the executor's
///   handlers, stays valid when the other set goes away and can be saved and loaded back.
///   An instruction without a namesake in the set is added to it (a copy, handlers
///   included) for the program to use.
/// - Saving without a program writes an empty "DNA" element; loading a DNA element that
///   names no instruction (such as that one) leaves the executor without a program.
/// - Assigning from an executor without a program leaves the executor without one.
///   Assigning from a component without a fittest individual copies the set and keeps the
///   executor's program, switched to the new instructions of the same names; the program is
///   dropped only when the new set lacks one of them.
/// - LoadFromFile and LoadFromStream check the whole document first (its instructions merged
///   into a copy of the set, the program read against that copy) and change nothing on an
///   error, which names the element; an application handler raising while the document is
///   applied makes the executor load its previous document back. Parse builds the new
///   program aside and installs it only when it was read completely; instructions it merged
///   before an error stay merged.
template <class T>
class TKXCustomGeneticProgrammingExecutor : public TKXComponent, public IKXGeneticProgramEngine<T> {
 public:
  ///@{
  /// Shorthands for the program node types of value type T.
  using TNode = TKXGPNode<T>;
  /// @copydoc TNode
  using TNodePtr = std::unique_ptr<TNode>;
  ///@}

  /// An executor owned by AOwner (not owning it), with an empty instruction set and no program.
  explicit TKXCustomGeneticProgrammingExecutor(TKXComponent* AOwner = nullptr);
  ~TKXCustomGeneticProgrammingExecutor() override;

  /// The class name.
  std::string ClassName() const override { return "TKXCustomGeneticProgrammingExecutor"; }

  /// From another executor of the same value type: its instructions with their handlers and
  /// a copy of its program. From a program component of the same value type: its
  /// instructions with their handlers and a copy of its fittest individual's program; a
  /// component without a fittest individual leaves the program, switched to the new
  /// instructions of the same names (dropped when one of them is missing). The text form is
  /// cleared. Other sources raise EConvertError.
  void Assign(TKXPersistent* Source) override;

  // --- Engine ----------------------------------------------------------------------------

  /// A new instruction set owned by this executor with items of InstructionClass.
  std::unique_ptr<TKXGPInstructions<T>> CreateInstructions(TKXItemClass InstructionClass) override;
  /// A new detached node of the executor's node class (here TKXGPTreeNode<T>).
  TNodePtr CreateNode(TKXGPInstruction<T>* Item) override;
  /// No limit: 2147483647.
  std::int32_t MaxNodeArity() const override;
  /// An executor keeps no population: changes of its set need no action.
  void InstructionUpdate(TKXGPInstruction<T>* Item) override;
  /// @copydoc InstructionUpdate
  void InstructionNotify(TKXGPInstruction<T>* Item, TCollectionNotification Action) override;
  /// @copydoc InstructionUpdate
  void InstructionOperationUpdate(TKXGPInstruction<T>* Item) override;
  /// The executor's own instruction set (never nullptr).
  TKXGPInstructions<T>* GetInstructions() const override { return FInstructions.get(); }
  ///@{
  /// Copies Value's instructions into the executor's set, handlers included (AssignAll).
  void SetInstructions(TKXGPInstructions<T>* Value) override;
  /// @copydoc SetInstructions
  TKXGPInstructions<T>* Instructions() const noexcept { return FInstructions.get(); }
  ///@}

  // --- The program -------------------------------------------------------------------------

  /// The root of the program, or nullptr.
  TNode* GPProgram() const noexcept { return FGPProgram.get(); }
  /// Replaces the program by a deep copy of Node's tree (Node's Clone; the caller keeps
  /// Node), or removes it with nullptr. Clears the text form. Instructions of the tree whose
  /// names the set lacks are added to it (see the class comment).
  void SetGPProgram(const TNode* Node);

  /// The program's text form: generated (GenerateXML) when the list is empty and there is
  /// a program. Editing the list and calling Parse installs the edited program.
  TKXStringList& GPProgramLines();
  /// Copies the lines; at design time (IsDesigning) parses them as well.
  void SetGPProgramLines(const TKXStringList& Lines);
  /// Replaces the text form by the XML text of the program as one "DNA" element; nothing
  /// happens without a program.
  virtual void GenerateXML();
  /// Installs the program the text form describes: the text of a "DNA" element (as
  /// GenerateXML writes it), of a "GPDomain" document (loaded as by LoadFromXML, its
  /// instructions included) or of a "Population" document (its first individual). Names
  /// are resolved in the executor's set; with an empty set nothing happens. Malformed text
  /// or another root raises EXMLError, an unknown instruction EGPException; the program
  /// then stays as it was.
  virtual void Parse();

  ///@{
  /// The program's value in Context; the value type's empty value (0, an unassigned
  /// variant) without a program. A node without instruction raises the node's error.
  virtual T Execute(TKXGPContext<T>& Context);
  /// The same, with Context passed by pointer.
  T Execute(TKXGPContext<T>* Context) { return Execute(*Context); }
  ///@}
  /// The program's values for every case of Context (see TKXGPBatchEvaluator); the empty
  /// value for every case without a program.
  virtual void ExecuteBatch(const TKXGPBatchContext<T>& Context, std::span<T> Results);

  // --- Documents -----------------------------------------------------------------------------
  // An executor's document is a GeneticProgram document of which only the "Domain" element
  // is read and written: the instruction set and, in the fittest individual's "DNA", the
  // program (its "Name" and "Fitness" are not written). The header and "Reproduction" are
  // left alone, so a component's saved run loads directly.

  /// Parse a GeneticProgram document, check all of it and load its domain; any error leaves
  /// the executor unchanged and names the element (see the class comment).
  virtual void LoadFromFile(const std::string& FileName);
  /// @copydoc LoadFromFile
  virtual void LoadFromStream(std::istream& Stream);
  /// A new GeneticProgram document holding the domain: indented in a file (replaced only
  /// once completely written), not indented on a stream.
  virtual void SaveToFile(const std::string& FileName);
  /// @copydoc SaveToFile
  virtual void SaveToStream(std::ostream& Stream);
  /// The root's "Domain" only.
  virtual void LoadFromXML(const TXMLGeneticProgram& Doc);
  /// @copydoc LoadFromXML(const TXMLGeneticProgram&)
  virtual void SaveToXML(const TXMLGeneticProgram& Doc);
  /// A domain whose "Instructions" element has children merges them into the set (see
  /// TKXGPInstructions::LoadFromXML); then, with a non-empty set, the program is read from
  /// "FittestIndividual"/"DNA" (no program when there is none). The population is not read.
  /// Clears the text form.
  virtual void LoadFromXML(const TXMLGPDomainType& Domain);
  /// The instruction set into "Instructions", the program into "FittestIndividual"/"DNA".
  virtual void SaveToXML(const TXMLGPDomainType& Domain);
  /// The instruction set alone.
  virtual void LoadFromXML(const TXMLGPInstructions& Instructions);
  /// @copydoc LoadFromXML(const TXMLGPInstructions&)
  virtual void SaveToXML(const TXMLGPInstructions& Instructions);

 protected:
  /// Replaces the (still empty) instruction set by one of the class the most derived
  /// CreateInstructions makes; descendants that override it call this from their
  /// constructor.
  void RecreateInstructions();

 private:
  /// Reads a program from a DNA element into a new root and installs it once read.
  void LoadProgram(const TXMLDnaType& DNA);
  /// The domain part of LoadFromXML, without touching the text form.
  void LoadDomain(const TXMLGPDomainType& Domain);
  /// Installs a copy of Source (nullptr: no program), its instructions switched to the
  /// executor's namesakes (added to the set when missing).
  void CopyProgram(const TNode* Source);
  /// Copies Source into the set and switches the program to the new namesakes of its
  /// instructions, or drops it when one is missing.
  void AssignKeepingProgram(TKXGPInstructions<T>* Source);
  /// LoadFromStream and LoadFromFile once the document is parsed.
  void LoadCheckedDocument(TKXXMLDocument& Doc);

  std::unique_ptr<TKXGPInstructions<T>> FInstructions;
  TNodePtr FGPProgram;
  TKXStringList FGPProgramLines;
};

}  // namespace generics

/// Float programs over n-ary nodes.
class TKXCustomGeneticProgrammingExecutor
    : public generics::TKXConcreteGPComponent<generics::TKXCustomGeneticProgrammingExecutor,
                                              TGAFloat, TKXGPFloatInstructions,
                                              TKXGPFloatInstruction, TKXGPFloatNode> {
 public:
  using TKXConcreteGPComponent::TKXConcreteGPComponent;
  std::string ClassName() const override { return "TKXCustomGeneticProgrammingExecutor"; }
};

/// The published float executor: streams its program's text form as "GPProgramLines".
class TKXGeneticProgrammingExecutor : public TKXCustomGeneticProgrammingExecutor {
 public:
  using TKXCustomGeneticProgrammingExecutor::TKXCustomGeneticProgrammingExecutor;
  std::string ClassName() const override { return "TKXGeneticProgrammingExecutor"; }
  void DefineProperties(TKXFiler& Filer) override;
};

/// Variant programs over n-ary nodes.
class TKXCustomGeneticProgrammingVariantExecutor
    : public generics::TKXConcreteGPComponent<generics::TKXCustomGeneticProgrammingExecutor,
                                              TKXVariant, TKXGPVariantInstructions,
                                              TKXGPVariantInstruction, TKXGPVariantNode> {
 public:
  using TKXConcreteGPComponent::TKXConcreteGPComponent;
  std::string ClassName() const override { return "TKXCustomGeneticProgrammingVariantExecutor"; }
};

/// The published variant executor: streams its program's text form as "GPProgramLines".
class TKXGeneticProgrammingVariantExecutor : public TKXCustomGeneticProgrammingVariantExecutor {
 public:
  using TKXCustomGeneticProgrammingVariantExecutor::TKXCustomGeneticProgrammingVariantExecutor;
  std::string ClassName() const override { return "TKXGeneticProgrammingVariantExecutor"; }
  void DefineProperties(TKXFiler& Filer) override;
};

}  // namespace kx
