#pragma once

// Shared set-up of the program-tree tests: a recording engine, a small vocabulary, helpers to
// build trees by hand and seeded random trees.

#include <gmock/gmock.h>

#include <kx/gp_engine/batch.hpp>
#include <kx/gp_engine/batch_context.hpp>
#include <kx/gp_engine/binary_node.hpp>
#include <kx/gp_engine/context.hpp>
#include <kx/gp_engine/engine.hpp>
#include <kx/gp_engine/float_instruction.hpp>
#include <kx/gp_engine/float_node.hpp>
#include <kx/gp_engine/variant_instruction.hpp>
#include <kx/gp_engine/variant_node.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/random.hpp>
#include <kx/xml/gp_domain_xml.hpp>
#include <kx/xml/xml_document.hpp>

namespace kx_test {

using Instruction = kx::TKXGPInstruction<double>;
using Node = kx::TKXGPNode<double>;
using NodePtr = std::unique_ptr<Node>;
using Context = kx::TKXGPContext<double>;
using Instructions = kx::TKXGPInstructions<double>;

// An engine that owns a float instruction set and records every notification it receives.
class FakeEngine : public kx::TKXPersistent, public kx::IKXGeneticProgramEngine<double> {
 public:
  explicit FakeEngine(std::int32_t MaxArity = 2147483647) : FMaxArity(MaxArity) {}

  std::unique_ptr<Instructions> CreateInstructions(kx::TKXItemClass) override {
    return std::make_unique<kx::TKXGPFloatInstructions>(this);
  }
  std::unique_ptr<Node> CreateNode(Instruction* Item) override {
    return std::make_unique<kx::TKXGPBinaryFloatNode>(Item);
  }
  std::int32_t MaxNodeArity() const override { return FMaxArity; }
  void InstructionUpdate(Instruction* Item) override { Note("update ", Item); }
  void InstructionNotify(Instruction* Item, kx::TCollectionNotification Action) override {
    Note(std::array{"added ", "extracting ", "deleting "}[static_cast<int>(Action)], Item);
  }
  void InstructionOperationUpdate(Instruction* Item) override { Note("operation ", Item); }
  void Note(const char* What, Instruction* Item) {
    Log.push_back(What + (Item ? Item->Name() : "nil"));
  }
  Instructions* GetInstructions() const override { return FInstructions.get(); }
  void SetInstructions(Instructions* Value) override { FInstructions->Assign(Value); }

  std::vector<std::string> Log;
  std::int32_t FMaxArity;
  std::unique_ptr<Instructions> FInstructions = CreateInstructions(nullptr);
};

// A set of float instructions without an engine: Add, Mul (arity 2), x, y, one (1.0).
struct Vocabulary {
  kx::TKXGPFloatInstructions Set{nullptr};
  Instruction* Add = Function("Add", [](double a, double b) { return a + b; });
  Instruction* Mul = Function("Mul", [](double a, double b) { return a * b; });
  Instruction* X = Named("x");
  Instruction* Y = Named("y");
  Instruction* One = Named("one", kx::gpConstant, 1.0);

  template <class F>
  Instruction* Function(const std::string& Name, F Op) {
    Instruction* item = Named(Name);
    item->SetArity(2);
    item->SetOnExecute([Op](kx::TKXObject*, Node* N, Context* C, double& Result) {
      Result = Op(N->Child(0)->Execute(C), N->Child(1)->Execute(C));
    });
    return item;
  }
  Instruction* Named(const std::string& Name, kx::TGPGeneticInstruction Kind = kx::gpVariable,
                     double Value = 0) {
    Instruction* item = Set.Add();
    item->SetName(Name);
    item->SetOperation(Kind);
    item->SetValue(Value);
    return item;
  }
};

inline NodePtr Leaf(Instruction* Item) { return std::make_unique<kx::TKXGPFloatNode>(Item); }
inline NodePtr Binary(Instruction* Item) {
  return std::make_unique<kx::TKXGPBinaryFloatNode>(Item);
}
// A detached float node for Item with the children A and B.
inline NodePtr Apply(Instruction* Item, NodePtr A, NodePtr B) {
  NodePtr node = Leaf(Item);
  node->AddChild(std::move(A));
  node->AddChild(std::move(B));
  return node;
}

// A random tree of nodes Make builds, from the library generator: functions get two children,
// terminals a random own value in -3..3. Depth 0 is a leaf; a chain puts all its depth on one
// side.
inline NodePtr RandomTree(const std::vector<Instruction*>& Functions,
                          const std::vector<Instruction*>& Terminals, int Depth, bool Chain = false,
                          NodePtr (*Make)(Instruction*) = Leaf) {
  if (Depth <= 0 || (!Chain && kx::RandomInt(4) == 0)) {
    NodePtr leaf = Make(Terminals[kx::RandomInt(static_cast<int>(Terminals.size()))]);
    leaf->SetValue(kx::RandomInt(7) - 3);
    return leaf;
  }
  NodePtr node = Make(Functions[kx::RandomInt(static_cast<int>(Functions.size()))]);
  const int deepSide = kx::RandomInt(2);
  for (int i = 0; i < 2; ++i) {
    node->AddChild(
        RandomTree(Functions, Terminals, Chain && i != deepSide ? 0 : Depth - 1, Chain, Make));
  }
  return node;
}

// The message of the TError that Action raises, or "no error".
template <class TError = std::exception, class F>
std::string ErrorOf(F Action) {
  try {
    Action();
  } catch (const TError& e) {
    return e.what();
  }
  return "no error";
}

// Every node of Tree, breadth first.
inline std::vector<Node*> AllNodes(Node* Tree) {
  std::vector<Node*> nodes{Tree};
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    for (int i = 0; i < nodes[k]->ChildCount(); ++i) nodes.push_back(nodes[k]->Child(i));
  }
  return nodes;
}

// Item (a tree, or an instruction set with TElement = TXMLGPInstructions) written as a document
// element, and Text read into Item.
template <class TElement = kx::TXMLDnaType, class T>
std::string Saved(const T& Item) {
  auto doc =
      kx::TKXXMLDocument::New(std::is_same_v<TElement, kx::TXMLDnaType> ? "DNA" : "Instructions");
  Item.SaveToXML(TElement(doc->DocumentElement()));
  return kx::NodeToXML(doc->DocumentElement());
}
template <class TElement = kx::TXMLDnaType, class T>
void Load(T& Item, const std::string& Text) {
  kx::TKXXMLDocument doc;
  doc.LoadFromXML(Text);
  Item.LoadFromXML(TElement(doc.DocumentElement()));
}

}  // namespace kx_test
