#include "gp_engine_test_support.hpp"

using namespace kx_test;

TEST(GPTreeNode, SizeAndDepthFollowEveryChange) {
  Vocabulary v;
  NodePtr root = Leaf(v.Add);
  Node* first = root->AddChild(Leaf(v.Mul));
  root->AddChild(Leaf(v.X));
  EXPECT_EQ(root->Size(), 3);
  EXPECT_EQ(root->Depth(), 1);
  // A change two levels down reaches the root's caches.
  first->AddChild(Leaf(v.Y))->AddChild(Leaf(v.One));
  EXPECT_EQ(root->Size(), 5);
  EXPECT_EQ(root->Depth(), 3);
  NodePtr taken = first->ExtractChild(first->Child(0));
  EXPECT_EQ(taken->Parent(), nullptr);
  EXPECT_EQ(root->Size(), 3);
  EXPECT_EQ(root->Depth(), 1);
  EXPECT_EQ(root->IndexOf(root->InsertChild(1, Leaf(v.One))), 1);
  EXPECT_EQ(root->ToString(), "(Add Mul 1 x)");
  NodePtr stray = Leaf(v.X);
  EXPECT_THROW(root->InsertChild(4, std::move(stray)), kx::EListError);
  ASSERT_NE(stray, nullptr) << "a refused node stays with the caller";
  EXPECT_THROW(root->Child(-1), kx::EListError);
  root->SetInstruction(nullptr);
  EXPECT_EQ(root->ToString(), "(nil Mul 1 x)");
  root->Clear();
  EXPECT_EQ(root->Size(), 1);
  EXPECT_EQ(root->ToString(), "nil");
}

TEST(GPTreeNode, ReparentingMovesTheNodeAndInvalidatesBothTrees) {
  Vocabulary v;
  NodePtr a = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  NodePtr b = Apply(v.Mul, Leaf(v.One), Leaf(v.One));
  ASSERT_EQ(a->Size() + b->Size(), 6);
  Node* x = a->Child(0);
  EXPECT_EQ(x->SetParent(b.get()), nullptr);
  EXPECT_EQ(x->SetParent(b.get()), nullptr);  // already the parent: nothing happens
  EXPECT_EQ(a->ToString(), "(Add y)");
  EXPECT_EQ(b->ToString(), "(Mul 1 1 x)");
  EXPECT_EQ(a->Size() + b->Size(), 6);
  NodePtr detached = x->SetParent(nullptr);
  EXPECT_EQ(detached.get(), x);
  EXPECT_EQ(b->Size(), 3);
  EXPECT_THROW(detached->SetParent(a.get()), std::logic_error);
  // Extracting a node of another parent detaches it from that parent.
  NodePtr freed = a->ExtractChild(b->Child(1));
  EXPECT_EQ(b->ChildCount(), 1);
  EXPECT_EQ(a->ChildCount(), 1);
}

TEST(GPTreeNode, CloneAndAssignAreDeep) {
  Vocabulary v;
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  tree->Child(1)->Child(1)->SetValue(2.5);
  NodePtr copy = tree->Clone();
  EXPECT_EQ(copy->ToString(), "(Mul x (Add y 2.5))");
  EXPECT_EQ(copy->ClassName(), "TKXGPFloatNode");
  EXPECT_EQ(copy->Child(1)->Parent(), copy.get());
  copy->Child(1)->AddChild(Leaf(v.X));
  EXPECT_EQ(tree->ToString(), "(Mul x (Add y 2.5))");

  // Assign replaces the target's subtree and refreshes its ancestors.
  NodePtr host = Apply(v.Add, Leaf(v.One), Leaf(v.One));
  ASSERT_EQ(host->Size(), 3);
  host->Child(0)->Assign(tree.get());
  EXPECT_EQ(host->ToString(), "(Add (Mul x (Add y 2.5)) 1)");
  EXPECT_EQ(host->Size(), 7);
  EXPECT_EQ(host->Depth(), 3);
  host->Assign(host->Child(0)->Child(1));  // its own descendant
  EXPECT_EQ(host->ToString(), "(Add y 2.5)");
  EXPECT_THROW(host->Assign(v.Add), kx::EConvertError);

  kx::TKXGPTreeNode<double> root(v.Add);
  root.AddChild(Leaf(v.One));
  root.SetChildren({tree->Child(0), tree->Child(1)});
  EXPECT_EQ(root.ToString(), "(Add x (Add y 2.5))");
  EXPECT_NE(root.Child(0), tree->Child(0));
  EXPECT_EQ(tree->Child(0)->Parent(), tree.get());
}

TEST(GPTreeNode, AssignOverAnExistingTreeReusesOnlyMatchingNodes) {
  Vocabulary v;
  // Old nodes of another class (binary) or holding other values must not leak into the copy.
  NodePtr target = Apply(v.Add, Apply(v.Mul, Leaf(v.One), Binary(v.X)), Binary(v.Y));
  target->Child(0)->Child(0)->SetValue(7.0);
  NodePtr source = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  source->Child(1)->Child(1)->SetValue(2.5);
  for (const Node* from : {source.get(), source->Child(0), source.get(), source->Child(1)}) {
    target->Assign(const_cast<Node*>(from));
    const NodePtr clone = from->Clone();
    EXPECT_EQ(target->ToString(), clone->ToString());
    EXPECT_EQ(target->Size(), from->Size());
    EXPECT_EQ(target->Depth(), from->Depth());
    for (int i = 0; i < target->ChildCount(); ++i) {
      EXPECT_EQ(target->Child(i)->Parent(), target.get());
      EXPECT_EQ(target->Child(i)->ClassName(), clone->Child(i)->ClassName());
      EXPECT_EQ(target->Child(i)->Instruction(), from->Child(i)->Instruction());
    }
  }
  EXPECT_EQ(target->Child(1)->Value(), 2.5);
}

TEST(GPTreeNode, TerminalsExecutionAndNodeFactory) {
  Vocabulary v;
  EXPECT_TRUE(Leaf(nullptr)->IsTerminal());
  EXPECT_FALSE(Leaf(v.Add)->IsTerminal());
  Instruction* nullary = v.Set.Add();
  nullary->SetOperation(kx::gpFunction);
  EXPECT_TRUE(Leaf(nullary)->IsTerminal());
  Context context;
  EXPECT_THAT([&] { Leaf(nullptr)->Execute(&context); },
              ThrowsMessage<kx::EGPException>("No instruction assigned to node"));

  // Without an engine the node's own class; with one, the engine's class.
  FakeEngine engine;
  Instruction* add = engine.GetInstructions()->Add();
  EXPECT_EQ(Leaf(nullptr)->CreateNode(add)->ClassName(), "TKXGPFloatNode");
  EXPECT_EQ(Leaf(add)->CreateNode(nullptr)->ClassName(), "TKXGPBinaryFloatNode");
  EXPECT_EQ(engine.NodesCreated, 1);
}

TEST(GPBinaryNode, CapacityAndRefusedMoves) {
  Vocabulary v;
  NodePtr node = Binary(v.Add);
  Node* left = node->AddChild(Binary(v.X));
  node->AddChild(Binary(v.Y));
  NodePtr third = Binary(v.One);
  EXPECT_THAT([&] { node->AddChild(std::move(third)); },
              ThrowsMessage<kx::EGPException>("Node cannot accept anymore children"));
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(left->SetParent(node.get()), nullptr);
  EXPECT_EQ(node->ToString(), "(Add x y)");
  EXPECT_THAT([&] { node->InsertChild(2, std::move(third)); },
              ThrowsMessage<kx::EListError>("List index out of bounds (2)"));
  // A refused move leaves both trees as they were.
  NodePtr from = Apply(v.Mul, Binary(v.One), Binary(v.X));
  Node* moving = from->Child(1);
  EXPECT_THROW(moving->SetParent(node.get()), kx::EGPException);
  EXPECT_EQ(from->IndexOf(moving), 1);
  EXPECT_EQ(node->ChildCount(), 2);
}

TEST(GPBinaryNode, SidesUnderInsertExtractAndSet) {
  Vocabulary v;
  kx::TKXGPBinaryNode<double> node(v.Add);
  Node* old = node.AddChild(Binary(v.X));
  Node* fresh = node.InsertChild(0, Binary(v.Y));
  EXPECT_EQ(node.Left(), fresh);
  EXPECT_EQ(node.Right(), old);
  EXPECT_EQ(node.Left(), node.InsertChild(0, Binary(v.One)));  // both full: old left freed
  EXPECT_EQ(node.ToString(), "(Add 1 x)");
  // Extracting the left keeps the right on its side until refilled.
  NodePtr left = node.ExtractChild(node.Left());
  EXPECT_EQ(node.IndexOf(old), 1);
  EXPECT_EQ(node.ToString(), "(Add x)");
  node.AddChild(std::move(left));
  EXPECT_EQ(node.ToString(), "(Add 1 x)");

  // SetLeft/SetRight install copies; a clone keeps each child on its side.
  NodePtr owner = Apply(v.Mul, Binary(v.X), Binary(v.One));
  node.SetLeft(owner->Child(0));
  EXPECT_EQ(owner->Child(0)->Parent(), owner.get());
  EXPECT_EQ(node.Left()->Parent(), &node);
  node.SetRight(owner.get());
  EXPECT_EQ(node.ToString(), "(Add x (Mul x 1))");
  node.SetLeft(nullptr);
  NodePtr copy = node.Clone();
  auto* binary = dynamic_cast<kx::TKXGPBinaryNode<double>*>(copy.get());
  ASSERT_NE(binary, nullptr);
  EXPECT_EQ(binary->Left(), nullptr);
  EXPECT_EQ(binary->Right()->ToString(), "(Mul x 1)");
}
