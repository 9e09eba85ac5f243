#include <gtest/gtest.h>

#include <kx/host/component.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>
#include <kx/host/streaming.hpp>
#include <sstream>
#include <string>
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

  void DefineProperties(kx::TKXFiler& Filer) override {
    TKXComponent::DefineProperties(Filer);
    Filer.IntProperty(
        "Size", [this] { return Size; },
        [this](std::int32_t v) {
          Size = v;
          Applied.push_back("Size");
        },
        10);
    Filer.BoolProperty(
        "Enabled", [this] { return Enabled; },
        [this](bool v) {
          Enabled = v;
          Applied.push_back("Enabled");
        },
        false);
    Filer.StringProperty(
        "Caption", [this] { return Caption; },
        [this](const std::string& v) {
          Caption = v;
          Applied.push_back("Caption");
        });
    Filer.FloatProperty(
        "Weight", [this] { return Weight; },
        [this](double v) {
          Weight = v;
          Applied.push_back("Weight");
        },
        WeightStored);
    Filer.DefineFloat(
        "Rate",
        [this](double v) {
          Rate = v;
          Applied.push_back("Rate");
        },
        [this] { return Rate; }, Rate != kDefaultRate);
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

TEST(Streaming, DefaultsAreNotWritten) {
  TTestComponent component;
  component.SetName("Test1");
  EXPECT_EQ(Write(component), "object Test1: TTestComponent\nend\n");
}

TEST(Streaming, WritesStoredValuesInDeclarationOrder) {
  TTestComponent component;
  component.SetName("Test1");
  component.Size = -3;
  component.Enabled = true;
  component.Caption = "it's";
  component.Weight = 0.1;
  component.WeightStored = true;
  component.Rate = 0.0;
  EXPECT_EQ(Write(component),
            "object Test1: TTestComponent\n"
            "  Size = -3\n"
            "  Enabled = True\n"
            "  Caption = 'it''s'\n"
            "  Weight = 0.1\n"
            "  Rate = 0\n"
            "end\n");
}

TEST(Streaming, RoundTripRestoresEveryValueExactly) {
  TTestComponent source;
  source.SetName("Source");
  source.Size = 2147483647;
  source.Enabled = true;
  source.Caption = "two\r\nlines 'quoted'";
  source.Weight = 1.0 / 3.0;
  source.WeightStored = true;
  source.Rate = 1e-300;

  TTestComponent target;
  Read(Write(source), target);
  EXPECT_EQ(target.Name(), "Source");
  EXPECT_EQ(target.Size, source.Size);
  EXPECT_TRUE(target.Enabled);
  EXPECT_EQ(target.Caption, source.Caption);
  EXPECT_EQ(target.Weight, source.Weight);
  EXPECT_EQ(target.Rate, source.Rate);
  EXPECT_EQ(target.Applied,
            (std::vector<std::string>{"Size", "Enabled", "Caption", "Weight", "Rate"}));
}

TEST(Streaming, FloatsDoNotDependOnTheDecimalSeparator) {
  const char previous = kx::DecimalSeparator();
  kx::SetDecimalSeparator(',');
  TTestComponent source;
  source.Rate = 2.5;
  const std::string text = Write(source);
  TTestComponent target;
  Read(text, target);
  kx::SetDecimalSeparator(previous);
  EXPECT_NE(text.find("Rate = 2.5\n"), std::string::npos) << text;
  EXPECT_EQ(target.Rate, 2.5);
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

TEST(Streaming, MalformedStreamsNameTheLine) {
  EXPECT_EQ(ErrorOf(""), "Invalid component stream at line 1: the stream is empty");
  EXPECT_EQ(ErrorOf("object A: TTestComponent\n  Size = 3\n"),
            "Invalid component stream at line 3: missing \"end\"");
  EXPECT_NE(ErrorOf("objekt A: T\nend\n").find("at line 1:"), std::string::npos);
  EXPECT_NE(ErrorOf("object A: T\n  Size 3\nend\n").find("at line 2:"), std::string::npos);
  EXPECT_NE(ErrorOf("object A: T\n  Size =\nend\n").find("at line 2:"), std::string::npos);
  EXPECT_NE(ErrorOf("object A: T\nend\n  Size = 3\n").find("at line 3:"), std::string::npos);
  // A value its property cannot convert is reported with its line as well.
  EXPECT_NE(ErrorOf("object A: T\n\n  Size = big\nend\n").find("at line 3: Size"),
            std::string::npos);
  EXPECT_NE(ErrorOf("object A: T\n  Rate = x\nend\n").find("at line 2: Rate"), std::string::npos);
  EXPECT_NE(ErrorOf("object A: T\n  Caption = 'open\nend\n").find("at line 2: Caption"),
            std::string::npos);
}

TEST(Streaming, MalformedStreamLeavesComponentUnchanged) {
  TTestComponent component;
  component.SetName("Keep");
  EXPECT_THROW(Read("object Other: T\n  Size = 3\n", component), kx::EConvertError);
  EXPECT_EQ(component.Name(), "Keep");
  EXPECT_EQ(component.Size, 10);
}

TEST(Streaming, StringQuoting) {
  EXPECT_EQ(kx::QuoteStreamString(""), "''");
  EXPECT_EQ(kx::QuoteStreamString("a'b"), "'a''b'");
  EXPECT_EQ(kx::QuoteStreamString("a\nb"), "'a'#10'b'");
  EXPECT_EQ(kx::QuoteStreamString("\n"), "#10");
  for (const std::string s : {"", "'", "''x''", "\r\n", "tab\there", "end"}) {
    EXPECT_EQ(kx::UnquoteStreamString(kx::QuoteStreamString(s)), s);
  }
  EXPECT_THROW(kx::UnquoteStreamString("abc"), kx::EConvertError);
  EXPECT_THROW(kx::UnquoteStreamString("'abc"), kx::EConvertError);
  EXPECT_THROW(kx::UnquoteStreamString("#"), kx::EConvertError);
  EXPECT_THROW(kx::UnquoteStreamString("#999"), kx::EConvertError);
}
