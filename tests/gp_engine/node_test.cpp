#include <gtest/gtest.h>

#include <kx/gp_engine/binary_node.hpp>
#include <kx/gp_engine/tree_node.hpp>
#include <kx/host/exceptions.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {
NodePtr Binary(Instruction* Item) { return std::make_unique<kx::TKXGPBinaryFloatNode>(Item); }
}  // namespace

TEST(GPTreeNode, SizeAndDepthFollowEveryChange) {
  Vocabulary v;
  NodePtr root = Leaf(v.Add);
  EXPECT_EQ(root->Size(), 1);
  EXPECT_EQ(root->Depth(), 0);
  Node* first = root->AddChild(Leaf(v.Mul));
  root->AddChild(Leaf(v.X));
  EXPECT_EQ(root->Size(), 3);
  EXPECT_EQ(root->Depth(), 1);
  // A change two levels down reaches the root's caches.
  first->AddChild(Leaf(v.Y));
  EXPECT_EQ(root->Size(), 4);
  EXPECT_EQ(root->Depth(), 2);
  first->Child(0)->AddChild(Leaf(v.One));
  EXPECT_EQ(root->Size(), 5);
  EXPECT_EQ(root->Depth(), 3);
  NodePtr taken = first->ExtractChild(first->Child(0));
  EXPECT_EQ(taken->Parent(), nullptr);
  EXPECT_EQ(taken->Size(), 2);
  EXPECT_EQ(root->Size(), 3);
  EXPECT_EQ(root->Depth(), 1);
  // The value is not structure.
  root->SetValue(9);
  EXPECT_EQ(root->Size(), 3);
  root->Clear();
  EXPECT_EQ(root->Size(), 1);
  EXPECT_EQ(root->Instruction(), nullptr);
  EXPECT_EQ(root->Value(), 0.0);
}

TEST(GPTreeNode, ReparentingMovesTheNodeAndInvalidatesBothTrees) {
  Vocabulary v;
  NodePtr a = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  NodePtr b = Apply(v.Mul, Leaf(v.One), Leaf(v.One));
  ASSERT_EQ(a->Size(), 3);
  ASSERT_EQ(b->Size(), 3);
  Node* x = a->Child(0);
  EXPECT_EQ(x->SetParent(b.get()), nullptr);
  EXPECT_EQ(x->Parent(), b.get());
  EXPECT_EQ(a->ChildCount(), 1);
  EXPECT_EQ(a->Child(0)->Instruction(), v.Y);
  EXPECT_EQ(b->IndexOf(x), 2);
  EXPECT_EQ(a->Size(), 2);
  EXPECT_EQ(b->Size(), 4);
  // Nothing happens when the parent is already the parent.
  EXPECT_EQ(x->SetParent(b.get()), nullptr);
  EXPECT_EQ(b->ChildCount(), 3);
  NodePtr detached = x->SetParent(nullptr);
  EXPECT_EQ(detached.get(), x);
  EXPECT_EQ(b->IndexOf(x), -1);
  EXPECT_EQ(b->Size(), 3);
  // A detached node joins through AddChild, not SetParent.
  EXPECT_THROW(detached->SetParent(a.get()), std::logic_error);
}

TEST(GPTreeNode, InsertAndExtract) {
  Vocabulary v;
  NodePtr root = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  Node* one = root->InsertChild(1, Leaf(v.One));
  EXPECT_EQ(root->IndexOf(one), 1);
  EXPECT_EQ(root->ToString(), "(Add x 1 y)");
  NodePtr stray = Leaf(v.X);
  EXPECT_THROW(root->InsertChild(4, std::move(stray)), kx::EListError);
  ASSERT_NE(stray, nullptr) << "a refused node stays with the caller";
  EXPECT_THROW(root->Child(3), kx::EListError);
  EXPECT_THROW(root->Child(-1), kx::EListError);
  // Extracting a node of another parent detaches it from that parent.
  NodePtr other = Apply(v.Mul, Leaf(v.One), Leaf(v.One));
  Node* foreign = other->Child(1);
  NodePtr freed = root->ExtractChild(foreign);
  EXPECT_EQ(freed.get(), foreign);
  EXPECT_EQ(other->ChildCount(), 1);
  EXPECT_EQ(root->ChildCount(), 3);
}

TEST(GPTreeNode, TextForms) {
  Vocabulary v;
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  EXPECT_EQ(tree->ToString(), "(Mul x (Add y 1))");
  EXPECT_EQ(Leaf(v.Add)->ToString(), "Add");
  tree->SetInstruction(nullptr);
  EXPECT_EQ(tree->ToString(), "(nil x (Add y 1))");
  EXPECT_EQ(Leaf(nullptr)->ToString(), "nil");
  // Setting the instruction directly changes nothing else.
  EXPECT_EQ(tree->Value(), 0.0);
  EXPECT_EQ(tree->Size(), 5);
}

TEST(GPTreeNode, CloneAndAssignAreDeep) {
  Vocabulary v;
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  tree->Child(1)->Child(1)->SetValue(2.5);
  ASSERT_EQ(tree->Depth(), 2);
  NodePtr copy = tree->Clone();
  EXPECT_EQ(copy->Parent(), nullptr);
  EXPECT_EQ(copy->ToString(), "(Mul x (Add y 2.5))");
  EXPECT_EQ(copy->ClassName(), "TKXGPFloatNode");
  EXPECT_NE(copy->Child(1), tree->Child(1));
  EXPECT_EQ(copy->Child(1)->Parent(), copy.get());
  copy->Child(1)->AddChild(Leaf(v.X));
  EXPECT_EQ(tree->ToString(), "(Mul x (Add y 2.5))");
  EXPECT_EQ(copy->Size(), 6);

  // Assign replaces the target's subtree and refreshes its ancestors.
  NodePtr host = Apply(v.Add, Leaf(v.One), Leaf(v.One));
  ASSERT_EQ(host->Size(), 3);
  host->Child(0)->Assign(tree.get());
  EXPECT_EQ(host->ToString(), "(Add (Mul x (Add y 2.5)) 1)");
  EXPECT_EQ(host->Size(), 7);
  EXPECT_EQ(host->Depth(), 3);
  // Assigning a node's own descendant to it is safe.
  host->Assign(host->Child(0)->Child(1));
  EXPECT_EQ(host->ToString(), "(Add y 2.5)");
  Node* attached = tree->Clone(host.get());
  EXPECT_EQ(host->IndexOf(attached), 2);
  EXPECT_THROW(host->Assign(v.Add), kx::EConvertError);
}

TEST(GPTreeNode, SetChildrenCopiesTheList) {
  Vocabulary v;
  kx::TKXGPTreeNode<double> root(v.Add);
  NodePtr x = Leaf(v.X);
  NodePtr sum = Apply(v.Add, Leaf(v.Y), Leaf(v.One));
  root.AddChild(Leaf(v.One));
  root.SetChildren({x.get(), sum.get()});
  EXPECT_EQ(root.ToString(), "(Add x (Add y 1))");
  EXPECT_EQ(x->Parent(), nullptr);
  EXPECT_NE(root.Child(0), x.get());
}

TEST(GPTreeNode, TerminalsAndExecution) {
  Vocabulary v;
  EXPECT_TRUE(Leaf(nullptr)->IsTerminal());
  EXPECT_TRUE(Leaf(v.X)->IsTerminal());
  EXPECT_FALSE(Leaf(v.Add)->IsTerminal());
  Instruction* nullary = v.Set.Add();
  nullary->SetName("Rnd");
  nullary->SetOperation(kx::gpFunction);
  EXPECT_TRUE(Leaf(nullary)->IsTerminal());

  Context context;
  try {
    Leaf(nullptr)->Execute(&context);
    FAIL();
  } catch (const kx::EGPException& e) {
    EXPECT_STREQ(e.what(), "No instruction assigned to node");
  }
  context.Values().Add("x", 3);
  context.Values().Add("y", 4);
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  EXPECT_EQ(tree->Execute(&context), 15.0);
}

TEST(GPTreeNode, NewNodesComeFromTheEngine) {
  FakeEngine engine;
  Instruction* add = engine.GetInstructions()->Add();
  add->SetName("Add");
  add->SetArity(2);
  // Without an engine the node's own class; with one, the engine's class.
  kx::TKXGPFloatNode loose(nullptr);
  EXPECT_EQ(loose.CreateNode(add)->ClassName(), "TKXGPFloatNode");
  kx::TKXGPFloatNode owned(add);
  EXPECT_EQ(owned.CreateNode(nullptr)->ClassName(), "TKXGPBinaryFloatNode");
  EXPECT_EQ(engine.NodesCreated, 1);
}

TEST(GPBinaryNode, CapacityAndSides) {
  Vocabulary v;
  NodePtr node = Binary(v.Add);
  Node* left = node->AddChild(Binary(v.X));
  node->AddChild(Binary(v.Y));
  NodePtr third = Binary(v.One);
  try {
    node->AddChild(std::move(third));
    FAIL();
  } catch (const kx::EGPException& e) {
    EXPECT_STREQ(e.what(), "Node cannot accept anymore children");
  }
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(node->ToString(), "(Add x y)");
  // Re-adding the left child through its parent link does nothing.
  EXPECT_EQ(left->SetParent(node.get()), nullptr);
  EXPECT_EQ(node->ToString(), "(Add x y)");
  EXPECT_THROW(node->Child(2), kx::EListError);
  try {
    node->InsertChild(2, std::move(third));
    FAIL();
  } catch (const kx::EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_EQ(node->ChildCount(), 2);
}

TEST(GPBinaryNode, RefusedMoveLeavesBothTreesAsTheyWere) {
  Vocabulary v;
  NodePtr full = Binary(v.Add);
  full->AddChild(Binary(v.X));
  full->AddChild(Binary(v.Y));
  NodePtr from = Binary(v.Mul);
  from->AddChild(Binary(v.One));
  Node* moving = from->AddChild(Binary(v.X));
  EXPECT_THROW(moving->SetParent(full.get()), kx::EGPException);
  EXPECT_EQ(moving->Parent(), from.get());
  EXPECT_EQ(from->IndexOf(moving), 1);
  EXPECT_EQ(full->ChildCount(), 2);
}

TEST(GPBinaryNode, InsertMovesTheOccupantToTheFreeSide) {
  Vocabulary v;
  kx::TKXGPBinaryNode<double> node(v.Add);
  Node* old = node.AddChild(Binary(v.X));
  Node* fresh = node.InsertChild(0, Binary(v.Y));
  EXPECT_EQ(node.Left(), fresh);
  EXPECT_EQ(node.Right(), old);
  // Both sides full: the old left subtree is freed.
  Node* newest = node.InsertChild(0, Binary(v.One));
  EXPECT_EQ(node.Left(), newest);
  EXPECT_EQ(node.Right(), old);
  EXPECT_EQ(node.ToString(), "(Add 1 x)");
}

TEST(GPBinaryNode, ExtractingTheLeftKeepsTheRightUntilRefilled) {
  Vocabulary v;
  kx::TKXGPBinaryNode<double> node(v.Add);
  node.AddChild(Binary(v.X));
  Node* right = node.AddChild(Binary(v.Y));
  ASSERT_EQ(node.Size(), 3);
  NodePtr left = node.ExtractChild(node.Left());
  EXPECT_EQ(node.ChildCount(), 1);
  EXPECT_EQ(node.Right(), right);
  EXPECT_EQ(node.IndexOf(right), 1);
  EXPECT_EQ(node.Size(), 2);
  EXPECT_EQ(node.Depth(), 1);
  EXPECT_EQ(node.ToString(), "(Add y)");
  node.AddChild(std::move(left));
  EXPECT_EQ(node.ToString(), "(Add x y)");
}

TEST(GPBinaryNode, SetLeftInstallsACopy) {
  Vocabulary v;
  NodePtr owner = Apply(v.Mul, Binary(v.X), Binary(v.One));
  Node* x = owner->Child(0);
  kx::TKXGPBinaryNode<double> node(v.Add);
  node.SetLeft(x);
  EXPECT_EQ(x->Parent(), owner.get());
  ASSERT_NE(node.Left(), nullptr);
  EXPECT_NE(node.Left(), x);
  EXPECT_EQ(node.Left()->Parent(), &node);
  node.SetRight(owner.get());
  EXPECT_EQ(node.ToString(), "(Add x (Mul x 1))");
  EXPECT_EQ(node.Depth(), 2);
  node.SetLeft(nullptr);
  EXPECT_EQ(node.ChildCount(), 1);
  // Copying a binary tree keeps each child on its side.
  NodePtr copy = node.Clone();
  auto* binary = dynamic_cast<kx::TKXGPBinaryNode<double>*>(copy.get());
  ASSERT_NE(binary, nullptr);
  EXPECT_EQ(binary->Left(), nullptr);
  EXPECT_EQ(binary->Right()->ToString(), "(Mul x 1)");
}
