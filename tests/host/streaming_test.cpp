#include <gtest/gtest.h>

#include <kx/host/component.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>
#include <kx/host/streaming.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kDefaultRate = 0.25;

// Declares one property of each typed helper and an extra float entry, and records the
// order in which a reader applies them.
class TTestComponent : public kx::TKXComponent {
 public:
  using TKXComponent::TKXComponent;
  std::string ClassName() const override { return "TTestComponent"; }

  std::int32_t Size = 10;
  bool Enabled = false;
  std::string Caption;
  double Weight = 0.0;
  bool WeightStored = false;
  double Rate = kDefaultRate;
  std::vector<std::string> Applied;

  template <class T>
  auto Setter(T& Field, const char* Name) {
    return [this, &Field, Name](const T& Value) {
      Field = Value;
      Applied.push_back(Name);
    };
  }

  void DefineProperties(kx::TKXFiler& Filer) override {
    TKXComponent::DefineProperties(Filer);
    Filer.IntProperty(
        "Size", [this] { return Size; }, Setter(Size, "Size"), 10);
    Filer.BoolProperty(
        "Enabled", [this] { return Enabled; }, Setter(Enabled, "Enabled"), false);
    Filer.StringProperty(
        "Caption", [this] { return Caption; }, Setter(Caption, "Caption"));
    Filer.FloatProperty(
        "Weight", [this] { return Weight; }, Setter(Weight, "Weight"), WeightStored);
    Filer.DefineFloat(
        "Rate", Setter(Rate, "Rate"), [this] { return Rate; }, Rate != kDefaultRate);
  }
};

std::string Write(TTestComponent& Component) {
  std::ostringstream out;
  kx::WriteComponent(out, Component);
  return out.str();
}

void Read(const std::string& Text, TTestComponent& Component) {
  std::istringstream in(Text);
  kx::ReadComponent(in, Component);
}

std::string ErrorOf(const std::string& Text) {
  TTestComponent component;
  try {
    Read(Text, component);
  } catch (const kx::EConvertError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(Streaming, WritesOnlyStoredValuesInDeclarationOrder) {
  TTestComponent component;
  component.SetName("Test1");
  EXPECT_EQ(Write(component), "object Test1: TTestComponent\nend\n");
  component.Size = -3;
  component.Enabled = true;
  component.Caption = "it's\n";
  component.Weight = 0.1;
  component.WeightStored = true;
  component.Rate = 0.0;
  EXPECT_EQ(Write(component),
            "object Test1: TTestComponent\n"
            "  Size = -3\n"
            "  Enabled = True\n"
            "  Caption = 'it''s'#10\n"
            "  Weight = 0.1\n"
            "  Rate = 0\n"
            "end\n");
}

TEST(Streaming, RoundTripRestoresEveryValueExactlyWhateverTheDecimalSeparator) {
  TTestComponent source;
  source.SetName("Source");
  source.Size = 2147483647;
  source.Enabled = true;
  source.Caption = "two\r\nlines 'quoted'";
  source.Weight = 1.0 / 3.0;
  source.WeightStored = true;
  source.Rate = 2.5e-300;

  const char previous = kx::DecimalSeparator();
  kx::SetDecimalSeparator(',');
  const std::string text = Write(source);
  TTestComponent target;
  Read(text, target);
  kx::SetDecimalSeparator(previous);
  EXPECT_EQ(text.find(','), std::string::npos) << text;
  EXPECT_EQ(target.Name(), "Source");
  EXPECT_EQ(target.Size, source.Size);
  EXPECT_TRUE(target.Enabled);
  EXPECT_EQ(target.Caption, source.Caption);
  EXPECT_EQ(target.Weight, source.Weight);
  EXPECT_EQ(target.Rate, source.Rate);
  EXPECT_EQ(target.Applied,
            (std::vector<std::string>{"Size", "Enabled", "Caption", "Weight", "Rate"}));
}

TEST(Streaming, ReadingAppliesDeclarationOrderAndIgnoresUnknownNames) {
  TTestComponent component;
  Read(
      "\nobject Named: TSomethingElse\n"
      "  Rate = 0.5\n"
      "  Unknown = whatever\n"
      "\n"
      "  Caption = 'a'#9'b'\n"
      "  Size=7\n"
      "end\n\n",
      component);
  EXPECT_EQ(component.Name(), "Named");
  EXPECT_EQ(component.Size, 7);
  EXPECT_EQ(component.Caption, "a\tb");
  EXPECT_EQ(component.Rate, 0.5);
  EXPECT_EQ(component.Applied, (std::vector<std::string>{"Size", "Caption", "Rate"}));
}

TEST(Streaming, MalformedStreamsNameTheLineAndChangeNothing) {
  EXPECT_EQ(ErrorOf(""), "Invalid component stream at line 1: the stream is empty");
  EXPECT_EQ(ErrorOf("object A: TTestComponent\n  Size = 3\n"),
            "Invalid component stream at line 3: missing \"end\"");
  const std::pair<const char*, const char*> rows[] = {
      {"objekt A: T\nend\n", "at line 1:"},
      {"object A: T\n  Size 3\nend\n", "at line 2:"},
      {"object A: T\n  Size =\nend\n", "at line 2:"},
      {"object A: T\nend\n  Size = 3\n", "at line 3:"},
      // A value its property cannot convert is reported with its line as well.
      {"object A: T\n\n  Size = big\nend\n", "at line 3: Size"},
      {"object A: T\n  Rate = x\nend\n", "at line 2: Rate"},
      {"object A: T\n  Caption = 'open\nend\n", "at line 2: Caption"}};
  for (const auto& [text, where] : rows) EXPECT_NE(ErrorOf(text).find(where), std::string::npos);

  TTestComponent component;
  component.SetName("Keep");
  EXPECT_THROW(Read("object Other: T\n  Size = 3\n", component), kx::EConvertError);
  EXPECT_EQ(component.Name(), "Keep");
  EXPECT_EQ(component.Size, 10);
}
