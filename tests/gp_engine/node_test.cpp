#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

// The expected shape of a tree, kept beside it.
struct Mirror {
  Instruction* Item = nullptr;
  std::vector<std::unique_ptr<Mirror>> Kids;

  static std::unique_ptr<Mirror> Of(const Node& Tree) {
    auto m = std::make_unique<Mirror>(Mirror{Tree.Instruction(), {}});
    for (int i = 0; i < Tree.ChildCount(); ++i) m->Kids.push_back(Of(*Tree.Child(i)));
    return m;
  }
  std::string Text() const {
    std::string text = Item ? Item->Name() : "nil";
    for (const auto& kid : Kids) text += " " + kid->Text();
    return Kids.empty() ? text : "(" + text + ")";
  }
  int Depth() const {
    int depth = 0;
    for (const auto& kid : Kids) depth = std::max(depth, kid->Depth() + 1);
    return depth;
  }
  std::vector<Mirror*> All() {  // breadth first, as AllNodes
    std::vector<Mirror*> all{this};
    for (std::size_t k = 0; k < all.size(); ++k) {
      for (const auto& kid : all[k]->Kids) all.push_back(kid.get());
    }
    return all;
  }
};

}  // namespace

// Random edits of one tree, each applied to the tree and to a mirror of its shape before the
// edit: afterwards every node's text, size, depth, parent and position match the mirror, so
// no cache or child link survives a change it should not.
TEST(GPTreeNode, RandomEditsKeepShapeCachesAndLinksRight) {
  Vocabulary v;
  const std::vector<Instruction*> functions{v.Add, v.Mul}, terminals{v.X, v.Y};
  kx::RandSeed(3);
  NodePtr root = RandomTree(functions, terminals, 3);
  for (int step = 0; step < 400; ++step) {
    const std::unique_ptr<Mirror> mirror = Mirror::Of(*root);
    const std::vector<Node*> nodes = AllNodes(root.get());
    const std::vector<Mirror*> mirrors = mirror->All();
    auto pick = [&] { return kx::RandomInt(static_cast<int>(nodes.size())); };
    const int j = pick();
    Node* n = nodes[j];
    Node* parent = n->Parent();
    Mirror* m = mirrors[j];
    auto& siblings =
        j > 0 ? mirrors[std::find(nodes.begin(), nodes.end(), parent) - nodes.begin()]->Kids
              : m->Kids;
    const int at = j > 0 ? parent->IndexOf(n) : 0;
    Instruction* item = (kx::RandomInt(2) ? functions : terminals)[kx::RandomInt(2)];
    const int op = nodes.size() > 60 ? 2 : kx::RandomInt(7);
    if (op == 0 || op == 1) {  // append, or insert anywhere
      const int to = op == 0 ? n->ChildCount() : kx::RandomInt(n->ChildCount() + 1);
      Node* added = op == 0 ? n->AddChild(Leaf(item)) : n->InsertChild(to, Leaf(item));
      EXPECT_EQ(added, n->Child(to));
      m->Kids.insert(m->Kids.begin() + to, std::make_unique<Mirror>(Mirror{item, {}}));
    } else if (op == 2 && j > 0) {
      EXPECT_EQ(parent->ExtractChild(n)->Parent(), nullptr);
      siblings.erase(siblings.begin() + at);
    } else if (op == 3 && j > 0) {  // re-parenting appends to the new parent
      const int t = pick();
      bool inside = false;
      for (const Node* up = nodes[t]; up != nullptr; up = up->Parent()) inside |= up == n;
      if (inside || nodes[t] == parent) continue;
      EXPECT_EQ(n->SetParent(nodes[t]), nullptr);
      mirrors[t]->Kids.push_back(std::move(siblings[at]));
      siblings.erase(siblings.begin() + at);
    } else if (op == 4 || op == 5) {  // from another tree, or from its own descendant
      NodePtr other = RandomTree(functions, terminals, 2);
      const std::vector<Node*> below = AllNodes(n);
      Node* source = op == 4 ? other.get() : below[kx::RandomInt(static_cast<int>(below.size()))];
      *m = std::move(*Mirror::Of(*source));
      n->Assign(source);
    } else if (op == 6) {
      n->Clear();
      *m = Mirror{};
    }
    ASSERT_EQ(root->ToString(), mirror->Text()) << "step " << step << " op " << op;
    const std::vector<Node*> after = AllNodes(root.get());
    const std::vector<Mirror*> expected = mirror->All();
    for (std::size_t k = 0; k < after.size(); ++k) {
      ASSERT_EQ(after[k]->Size(), expected[k]->All().size()) << "step " << step << " node " << k;
      ASSERT_EQ(after[k]->Depth(), expected[k]->Depth()) << "step " << step << " node " << k;
      for (int i = 0; i < after[k]->ChildCount(); ++i) {
        ASSERT_EQ(after[k]->Child(i)->Parent(), after[k]);
        ASSERT_EQ(after[k]->IndexOf(after[k]->Child(i)), i);
      }
    }
    ASSERT_EQ(root->Clone()->ToString(), mirror->Text());
  }
}

TEST(GPTreeNode, TextsRefusalsAndOwnership) {
  Vocabulary v;
  NodePtr root = Apply(v.Add, Leaf(v.Mul), Leaf(v.X));
  root->InsertChild(1, Leaf(v.One))->SetValue(2.5);
  NodePtr stray = Leaf(v.X);
  EXPECT_THROW(root->InsertChild(4, std::move(stray)), kx::EListError);
  ASSERT_NE(stray, nullptr) << "a refused node stays with the caller";
  EXPECT_THROW(root->Child(-1), kx::EListError);
  EXPECT_THROW(root->Child(3), kx::EListError);
  EXPECT_THROW(root->Assign(v.Add), kx::EConvertError);
  root->SetInstruction(nullptr);
  EXPECT_EQ(root->ToString(), "(nil Mul 2.5 x)");
  NodePtr detached = root->Child(2)->SetParent(nullptr);
  EXPECT_THROW(detached->SetParent(root.get()), std::logic_error);  // its owner is the caller
  // SetChildren copies, and leaves the given nodes where they are.
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  static_cast<kx::TKXGPTreeNode<double>&>(*root).SetChildren({tree->Child(0), tree->Child(1)});
  EXPECT_EQ(root->ToString(), "(nil x (Add y 1))");
  EXPECT_EQ(tree->Child(0)->Parent(), tree.get());
  EXPECT_EQ(ErrorOf<kx::EGPException>([] { Leaf(nullptr)->Execute(nullptr); }),
            "No instruction assigned to node");
}

TEST(GPTreeNode, CopiesKeepNodeClassesAndTheEngineChoosesNewOnes) {
  Vocabulary v;
  // Old nodes of another class (binary) or value must not leak into the copy.
  NodePtr target = Apply(v.Add, Apply(v.Mul, Leaf(v.One), Binary(v.X)), Binary(v.Y));
  target->Child(0)->Child(0)->SetValue(7.0);
  NodePtr source = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  source->Child(1)->Child(1)->SetValue(2.5);
  for (Node* from : {source.get(), source->Child(0), source.get(), source->Child(1)}) {
    target->Assign(from);
    for (Node* node : AllNodes(target.get())) EXPECT_EQ(node->ClassName(), "TKXGPFloatNode");
  }
  EXPECT_EQ(target->ToString(), "(Add y 2.5)");
  EXPECT_EQ(Binary(v.X)->Clone()->ClassName(), "TKXGPBinaryFloatNode");
  FakeEngine engine;  // without an engine the node's own class; with one, the engine's
  Instruction* add = engine.GetInstructions()->Add();
  EXPECT_EQ(Leaf(nullptr)->CreateNode(add)->ClassName(), "TKXGPFloatNode");
  EXPECT_EQ(Leaf(add)->CreateNode(nullptr)->ClassName(), "TKXGPBinaryFloatNode");
  EXPECT_EQ(engine.NodesCreated, 1);
  EXPECT_TRUE(Leaf(nullptr)->IsTerminal() && Leaf(v.Named("f", kx::gpFunction))->IsTerminal());
  EXPECT_FALSE(Leaf(v.Add)->IsTerminal());
}

TEST(GPBinaryNode, SidesCapacityAndRefusedMoves) {
  Vocabulary v;
  kx::TKXGPBinaryNode<double> node(v.Add);
  Node* old = node.AddChild(Binary(v.X));
  EXPECT_EQ(node.Left(), node.InsertChild(0, Binary(v.Y)));  // the old left moves right
  EXPECT_EQ(node.Right(), old);
  EXPECT_EQ(node.Left(), node.InsertChild(0, Binary(v.One)));  // both full: old left freed
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
  EXPECT_EQ(node.IndexOf(old) * 10 + node.Size(), 12);
  EXPECT_EQ(node.ToString(), "(Add x)");
  node.AddChild(std::move(left));
  EXPECT_EQ(node.ToString(), "(Add 1 x)");
  // SetLeft/SetRight install copies; a clone keeps each child on its side.
  node.SetLeft(from->Child(0));
  EXPECT_EQ(from->Child(0)->Parent(), from.get());
  EXPECT_EQ(node.Left()->Parent(), &node);
  node.SetRight(from.get());
  EXPECT_EQ(node.ToString(), "(Add 1 (Mul 1 x))");
  EXPECT_EQ(node.Depth(), 2);
  node.SetLeft(nullptr);
  NodePtr copy = node.Clone();
  auto* binary = dynamic_cast<kx::TKXGPBinaryNode<double>*>(copy.get());
  ASSERT_NE(binary, nullptr);
  EXPECT_EQ(binary->Left(), nullptr);
  EXPECT_EQ(binary->Right()->ToString(), "(Mul 1 x)");
}
