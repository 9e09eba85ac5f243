#include "host/host_test_support.hpp"

namespace {

using kx::testing::StreamText;
using kx::testing::TTestItem;

const auto Get = [](auto& Field) { return [&Field] { return Field; }; };

// Declares one property of each typed helper, a collection and an extra float entry, and
// records the order in which a reader applies them.
class TTestComponent : public kx::TKXComponent {
 public:
  using TKXComponent::TKXComponent;
  std::string ClassName() const override { return "TTestComponent"; }

  kx::TKXCollection Items{kx::ItemClassOf<TTestItem>()};
  std::vector<std::string> Lines, Applied;
  std::int32_t Size = 10;
  bool Enabled = false, WeightStored = false;
  std::string Caption;
  double Weight = 0.0, Rate = 0.25;

  auto Set(auto& Field, const char* Name) {
    return [this, &Field, Name](const auto& Value) {
      Field = Value;
      Applied.push_back(Name);
    };
  }
  void DefineProperties(kx::TKXFiler& Filer) override {
    TKXComponent::DefineProperties(Filer);
    Filer.IntProperty("Size", Get(Size), Set(Size, "Size"), 10);
    Filer.BoolProperty("Enabled", Get(Enabled), Set(Enabled, "Enabled"), false);
    Filer.StringProperty("Caption", Get(Caption), Set(Caption, "Caption"));
    Filer.FloatProperty("Weight", Get(Weight), Set(Weight, "Weight"), WeightStored);
    Filer.StringsProperty("Lines", Get(Lines), Set(Lines, "Lines"), !Lines.empty());
    Filer.Collection("Items", Items, Items.Count() > 0);
    Filer.DefineFloat("Rate", Set(Rate, "Rate"), Get(Rate), Rate != 0.25);
  }
};

void Read(const std::string& Text, TTestComponent& Component) {
  std::istringstream in(Text);
  kx::ReadComponent(in, Component);
}

// Every error names the line; a value its property cannot convert also names the property.
// Rows starting "Invalid" are whole messages.
TEST(Streaming, MalformedStreamsNameTheLineAndChangeNothing) {
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
      {"", "Invalid component stream at line 1: the stream is empty"},
      {"object A: T\n  Size = 3\n", "Invalid component stream at line 3: missing \"end\""},
      {"object A: T\n  Items = <\n    item\n", "Invalid component stream at line 4: missing \"end\""},
      {"objekt A: T\nend\n", "at line 1:"}, {"object A: T\n  Size 3\nend\n", "at line 2:"},
      {"object A: T\n  Size =\nend\n", "at line 2:"}, {"object A: T\nend\n  Size = 3\n", "at line 3:"},
      {"object A: T\n\n  Size = big\nend\n", "at line 3: Size"},
      {"object A: T\n  Rate = x\nend\n", "at line 2: Rate"},
      {"object A: T\n  Caption = 'open\nend\n", "at line 2: Caption"},
      {"object A: T\n  Items = 3\nend\n", "at line 2: Items: expected a collection"},
      {"object A: T\n  Size = <\n  >\nend\n", "at line 2: Size: expected a value"},
      {"object A: T\n  Items = <\n    Label = 'x'\n  >\nend\n", "at line 3: expected \"item\""},
      {"object A: T\n  Items = <\n    item\n    end\nend\n", "at line 5: expected \"item\""},
      {"object A: T\n  Items = <\n    item\n  >\nend\n", "at line 4: expected \"<Property>"},
      {"object A: T\n  Items = <\n    item\n      Count = x\n    end\n  >\nend\n", "at line 4: Count"},
      {"object A: T\n  Lines = ('a' 'b)\nend\n", "at line 2: Lines"},
      {"object A: T\n  Lines = 'a'\nend\n", "at line 2: Lines"}};
  // clang-format on
  for (const auto& [text, message] : rows) {
    TTestComponent component;
    const std::string error =
        kx::testing::ErrorOf<kx::EConvertError>([&] { Read(text, component); });
    EXPECT_NE(error.find(message), std::string::npos) << text << " -> " << error;
    EXPECT_TRUE(message[0] != 'I' || error == message) << error;  // a whole message
    EXPECT_EQ(component.Size, 10) << text;
  }
}

// Every stored value comes back exactly, whatever the decimal separator; what a stream holds
// replaces what was there.
TEST(Streaming, StoredValuesCollectionsAndListsRoundTripExactlyAndReplaceWhatWasThere) {
  TTestComponent source, target;
  source.SetName("Source");
  EXPECT_EQ(StreamText(source), "object Source: TTestComponent\nend\n");
  source.Size = -3;
  source.Enabled = source.WeightStored = target.WeightStored = true;
  source.Caption = "it's\r\n";
  source.Weight = 1.0 / 3.0;
  source.Rate = 2.5e-300;
  source.Lines = {"a", "it's, here", "", "tab\t"};
  source.Items.Add();
  auto* second = static_cast<TTestItem*>(source.Items.Add());
  second->Label = "second";
  second->Count = 4;
  for (int i = 0; i < 3; ++i) static_cast<TTestItem*>(target.Items.Add())->Label = "old";
  kx::testing::SeparatorGuard comma(',');
  const std::string text = StreamText(source);
  Read(text, target);
  EXPECT_EQ(text,
            "object Source: TTestComponent\n  Size = -3\n  Enabled = True\n"
            "  Caption = 'it''s'#13#10\n  Weight = 0.3333333333333333\n"
            "  Lines = ('a', 'it''s, here', '', 'tab'#9)\n  Items = <\n    item\n    end\n"
            "    item\n      Label = 'second'\n      Count = 4\n    end\n  >\n"
            "  Rate = 2.5e-300\nend\n");
  EXPECT_EQ(target.Items.UpdateCount(), 0);
  EXPECT_EQ(StreamText(target), text);  // every value came back, the old items gone
  Read("object : T\n  Items = <\n  >\nend\n", target);
  // Entries apply in declaration order; unknown names and blank lines are skipped.
  target.Applied.clear();
  Read(
      "\nobject Named: TSomethingElse\n  Rate = 0.5\n  Unknown = whatever\n\n"
      "  Caption = 'a'#9'b'\n  Size=7\nend\n\n",
      target);
  EXPECT_EQ(target.Name() + target.Caption + std::to_string(target.Size + target.Rate),
            "Nameda\tb7.500000");
  EXPECT_EQ(target.Applied, (std::vector<std::string>{"Size", "Caption", "Rate"}));
  EXPECT_EQ(target.Items.Count(), 0);  // an empty collection in a stream empties the component's
}

}  // namespace
