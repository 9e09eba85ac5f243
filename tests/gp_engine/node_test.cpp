#include <algorithm>
#include <cmath>
#include <ranges>
#include <thread>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

std::vector<Node*> Kids(const Node* N) {  // a vacated binary side is no child
  std::vector<Node*> kids;
  for (int i = 0; i < N->ChildCount() + (N->Sided() && N->Child(0) == nullptr); ++i)
    if (Node* kid = N->Child(i)) kids.push_back(kid);
  return kids;
}
// Every node's parent, position and cached size and depth agree with a fresh walk.
std::pair<int, int> ExpectShape(const Node* N) {
  int size = 1, depth = 0;
  for (const Node* kid : Kids(N)) {
    EXPECT_TRUE(kid->Parent() == N && N->Child(N->IndexOf(kid)) == kid);
    const auto [kidSize, kidDepth] = ExpectShape(kid);
    size += kidSize;
    depth = std::max(depth, kidDepth + 1);
  }
  EXPECT_EQ(std::pair(N->Size(), N->Depth()), std::pair(size, depth));
  return {size, depth};
}
}  // namespace

// Random edits of one tree: each leaves the touched nodes with exactly the children it should,
// and every node's cached size and depth, parent and position agree with a fresh walk, so no
// cache or child link survives a change it should not. The tree read back from its document
// (into a node with children to replace), with constants of any magnitude, writes the same
// text byte for byte and passes the same checks.
TEST(GPTreeNode, RandomEditsAndCopiesKeepChildrenCachesLinksAndDocumentsRight) {
  Vocabulary v;
  const std::vector<Instruction*> functions{v.Add, v.Mul}, terminals{v.X, v.Y, v.One};
  kx::RandSeed(3);
  NodePtr root = RandomTree(functions, terminals, 3);
  for (int step = 0; step < 400; ++step) {
    const std::vector<Node*> nodes = AllNodes(root.get());
    auto pick = [](const auto& From) { return From[kx::RandomInt(static_cast<int>(From.size()))]; };
    Node* n = pick(nodes);
    Node* parent = n->Parent();
    std::vector<Node*> kids = Kids(n), siblings = parent ? Kids(parent) : kids;
    std::erase(siblings, n);
    const int op = nodes.size() > 60 ? 2 : kx::RandomInt(6);
    if (op <= 1) {  // append, or insert anywhere
      const int to = op == 0 ? n->ChildCount() : kx::RandomInt(n->ChildCount() + 1);
      NodePtr leaf = Leaf(pick(kx::RandomInt(2) ? functions : terminals));
      leaf->SetValue((kx::RandomFloat() - 0.5) * std::pow(10.0, kx::RandomInt(41) - 20));
      kids.insert(kids.begin() + to, leaf.get());
      op == 0 ? n->AddChild(std::move(leaf)) : n->InsertChild(to, std::move(leaf));
      EXPECT_EQ(Kids(n), kids);
    } else if (op == 2 && parent != nullptr) {
      EXPECT_EQ(parent->ExtractChild(n)->Parent(), nullptr);
      EXPECT_EQ(Kids(parent), siblings);
    } else if (op == 3 && parent != nullptr) {  // re-parenting appends to the new parent
      Node* target = pick(nodes);
      if (std::ranges::count(AllNodes(n), target) > 0 || target == parent) continue;
      kids = Kids(target);
      kids.push_back(n);
      EXPECT_EQ(n->SetParent(target), nullptr);
      EXPECT_EQ(std::pair(Kids(target), Kids(parent)), std::pair(kids, siblings));
    } else if (op == 4) {  // from another tree, or from its own descendant
      NodePtr other = RandomTree(functions, terminals, 2);
      Node* source = kx::RandomInt(2) ? other.get() : pick(AllNodes(n));
      const std::string text = source->ToString();
      n->Assign(source);
      EXPECT_EQ(n->ToString(), text);
    } else if (op == 5) {
      n->Clear();
      EXPECT_EQ(n->ToString(), "nil");
      n->SetInstruction(pick(terminals));  // a document needs an instruction everywhere
    }
    NodePtr loaded = Apply(v.Mul, Leaf(v.X), Leaf(v.Y));
    Load(*loaded, Saved(*root));
    ASSERT_EQ(Saved(*loaded), Saved(*root)) << "step " << step << " op " << op;
    ExpectShape(root.get());
    ExpectShape(loaded.get());
    ASSERT_FALSE(HasFailure()) << "step " << step << " op " << op;
    ASSERT_EQ(root->Clone()->ToString(), root->ToString());
  }
  // Copies into the reused nodes of binary trees, some sides vacated, match their sources.
  auto sided = [&](int Depth) {
    NodePtr tree = RandomTree(functions, terminals, Depth, false, Binary);
    const std::vector<Node*> nodes = AllNodes(tree.get());
    for (Node* n : nodes | std::views::reverse)
      if (n->ChildCount() == 2 && kx::RandomInt(8) == 0) n->ExtractChild(n->Child(0));
    return tree;
  };
  for (int round = 0; round < 200; ++round) {
    NodePtr target = sided(5), source = sided(6);
    target->Assign(source.get());
    EXPECT_EQ(target->ToString(), source->ToString());
    ExpectShape(target.get());
  }
  // A size known without its depth does not measure the node above.
  NodePtr tree = Apply(v.Add, Apply(v.Mul, Leaf(v.X), Leaf(v.Y)), Leaf(v.X));
  tree->Child(0)->Size();
  tree->Child(1)->Size();
  tree->Child(1)->RemeasureAncestors();
  EXPECT_EQ(tree->Depth(), 2);
}

TEST(GPTreeNode, TextsRefusalsOwnershipAndNodeClasses) {
  Vocabulary v;
  NodePtr root = Apply(v.Add, Leaf(v.Mul), Leaf(v.X));
  root->InsertChild(1, Leaf(v.One))->SetValue(2.5);
  NodePtr stray = Leaf(v.X);
  EXPECT_THROW(root->InsertChild(4, std::move(stray)), kx::EListError);
  ASSERT_NE(stray, nullptr) << "a refused node stays with the caller";
  for (int index : {-1, 3}) EXPECT_THROW(root->Child(index), kx::EListError);
  EXPECT_THROW(root->Assign(v.Add), kx::EConvertError);
  root->SetInstruction(nullptr);
  EXPECT_EQ(root->ToString(), "(nil Mul 2.5 x)");
  NodePtr detached = root->Child(2)->SetParent(nullptr);
  EXPECT_THROW(detached->SetParent(root.get()), std::logic_error);  // its owner is the caller
  // SetChildren copies, and leaves the given nodes where they are.
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  auto& treeRoot = static_cast<kx::TKXGPTreeNode<double>&>(*root);
  treeRoot.SetChildren({tree->Child(0), tree->Child(1)});
  EXPECT_EQ(root->ToString(), "(nil x (Add y 1))");
  EXPECT_EQ(tree->Child(0)->Parent(), tree.get());
  // The node's own children may be given: the copies are taken before the children go.
  treeRoot.SetChildren({root->Child(1), root->Child(1)->Child(0)});
  EXPECT_EQ(root->ToString(), "(nil (Add y 1) y)");
  // Old nodes of another class (binary) must not leak into a copy, even where old nodes are
  // reused for a source class and instruction met before.
  NodePtr target = Apply(v.Add, Apply(v.Mul, Leaf(v.One), Binary(v.X)), Binary(v.Y));
  target->Assign(Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.X), Leaf(v.X))).get());
  for (Node* node : AllNodes(target.get())) EXPECT_EQ(node->ClassName(), "TKXGPFloatNode");
  EXPECT_EQ(Binary(v.X)->Clone()->ClassName(), "TKXGPBinaryFloatNode");
  FakeEngine engine;  // without an engine the node's own class; with one, the engine's
  Instruction* add = engine.GetInstructions()->Add();
  EXPECT_EQ(Leaf(nullptr)->CreateNode(add)->ClassName(), "TKXGPFloatNode");
  EXPECT_EQ(Leaf(add)->CreateNode(nullptr)->ClassName(), "TKXGPBinaryFloatNode");
  EXPECT_TRUE(Leaf(nullptr)->IsTerminal() && Leaf(v.Named("f", kx::gpFunction))->IsTerminal());
  EXPECT_FALSE(Leaf(v.Add)->IsTerminal());
}

// A node class of the user's, counting its appends.
struct CountingNode : kx::TKXGPFloatNode {
  using kx::TKXGPFloatNode::TKXGPFloatNode;
  inline static int Appends = 0;
  NodePtr CreateNode(kx::TKXGPInstruction<double>* Item) const override {
    return std::make_unique<CountingNode>(Item);
  }
  Node* AddChild(NodePtr&& Child) override {
    ++Appends;
    return kx::TKXGPFloatNode::AddChild(std::move(Child));
  }
};

TEST(GPTreeNode, ASubclassSeesTheAppendsOfACopy) {
  Vocabulary v;
  NodePtr tree = std::make_unique<CountingNode>(v.Add);
  tree->AddChild(std::make_unique<CountingNode>(v.X));
  tree->AddChild(std::make_unique<CountingNode>(v.Y));
  CountingNode::Appends = 0;
  EXPECT_EQ(tree->Clone()->ToString(), "(Add x y)");
  EXPECT_EQ(CountingNode::Appends, 2);
}

TEST(GPBinaryNode, SidesCapacityAndRefusedMoves) {
  Vocabulary v;
  kx::TKXGPBinaryNode<double> node(v.Add);
  Node* old = node.AddChild(Binary(v.X));
  // The old left moves right; with both sides full, the old left is freed.
  EXPECT_TRUE(node.InsertChild(0, Binary(v.Y)) == node.Left() && node.Right() == old);
  EXPECT_TRUE(node.InsertChild(0, Binary(v.One)) == node.Left() && node.Right() == old);
  NodePtr third = Binary(v.One);
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] { node.AddChild(std::move(third)); }),
            "Node cannot accept anymore children");
  EXPECT_EQ(old->SetParent(&node), nullptr);
  EXPECT_EQ(ErrorOf<kx::EListError>([&] { node.InsertChild(2, std::move(third)); }),
            "List index out of bounds (2)");
  NodePtr from = Apply(v.Mul, Binary(v.One), Binary(v.X));  // a refused move changes nothing
  EXPECT_THROW(from->Child(1)->SetParent(&node), kx::EGPException);
  EXPECT_EQ(from->ToString() + node.ToString(), "(Mul 1 x)(Add 1 x)");
  // Extracting the left keeps the right on its side until refilled.
  NodePtr left = node.ExtractChild(node.Left());
  EXPECT_EQ(node.ToString() + std::to_string(node.IndexOf(old) * 10 + node.Size()), "(Add x)12");
  node.AddChild(std::move(left));
  EXPECT_EQ(node.ToString(), "(Add 1 x)");
  // SetLeft/SetRight install copies; a clone keeps each child on its side.
  node.SetLeft(from->Child(0));
  EXPECT_TRUE(from->Child(0)->Parent() == from.get() && node.Left()->Parent() == &node);
  node.SetRight(from.get());
  EXPECT_EQ(node.ToString() + std::to_string(node.Depth()), "(Add 1 (Mul 1 x))2");
  node.SetLeft(nullptr);
  NodePtr copy = node.Clone();
  EXPECT_TRUE(copy->Sided() && copy->Child(0) == nullptr &&
              copy->Child(1)->ToString() == "(Mul 1 x)");
}

TEST(GPTreeNode, FreedNodesAreKeptPerThreadAndMadeAgain) {
  if (!kx::TKXNodePool::Enabled()) GTEST_SKIP() << "the pool is off under AddressSanitizer";
  Vocabulary v;
  const std::size_t size = sizeof(kx::TKXGPFloatNode);
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  const std::size_t before = kx::TKXNodePool::Kept(size);
  tree.reset();
  EXPECT_EQ(kx::TKXNodePool::Kept(size), before + 3);
  tree = Leaf(v.One);
  EXPECT_EQ(kx::TKXNodePool::Kept(size), before + 2);
  // Freed on another thread, a node joins that thread's blocks, returned when it ends...
  const void* freed = tree.get();
  std::thread([&tree, size] {
    tree.reset();
    EXPECT_EQ(kx::TKXNodePool::Kept(size), 1U);
  }).join();
  // ...to the depot, from which a thread without blocks refills before cutting a slab.
  std::thread([&v, freed, size] {
    std::vector<NodePtr> made;
    for (made.push_back(Leaf(v.X)); made.back().get() != freed && made.size() < 4096;)
      made.push_back(Leaf(v.X));
    EXPECT_EQ(made.back().get(), freed);
    made.clear();
    EXPECT_GE(kx::TKXNodePool::Kept(size), 1U);
  }).join();
}
