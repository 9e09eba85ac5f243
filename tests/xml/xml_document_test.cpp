#include "kx/xml/xml_document.hpp"

#include <random>
#include <tuple>

#include "kx/xml/gp_domain_xml.hpp"
#include "xml_test_support.hpp"

namespace kx::test {
namespace {

TEST(XmlDocumentLoad, RejectsMalformedAndEarlyEndingTextWithThePosition) {
  // Text, message, position.
  const std::tuple<const char*, const char*, const char*> Rows[] = {
      {"<a>\n  <b>\n  </c>\n</a>", "Start-end tags mismatch", "line 3, column 5"},
      {"<a x='1></a>", "", "line 1"},
      {"<a><b>text</b>", "Start-end tags mismatch", ""},
      {"<a><b>te", "Cannot load the XML text", ""},
      {"", "no root element", ""},
      {"  \n ", "no root element", ""},
      {"<?xml version=\"1.0\"?>", "no root element", ""},
      // What the parser alone would accept.
      {"<a/>\n<b/>", "second root element \"b\"", "line 2, column 2"},
      {"<a>\n x &bogus; y</a>", "\"&bogus;\"", "line 2, column 4"},
      {"<a/> trailing", "text outside the root element", ""},
      {"leading <a/>", "text outside the root element", ""},
      {"<a b='&nope;'/>", "\"&nope;\"", ""},
      {"<a>x & y</a>", "reference \"&\"", ""},
      {"<a>&#xD800;</a>", "&#xD800;", ""},
      {"<a>&#0;</a>", "&#0;", ""},
      {"<a>&#x110000;</a>", "&#x110000;", ""},
      {"<a>&#12a;</a>", "&#12a;", ""}};
  TKXXMLDocument Doc;
  for (const auto& [Text, Message, Position] : Rows) {
    EXPECT_THAT(ErrorOf([&] { Doc.LoadFromXML(Text); }),
                AllOf(HasSubstr(Message), HasSubstr(Position)))
        << Text;
  }
  // A failed load keeps the previous content.
  Doc.LoadFromXML("<Keep><x>1</x></Keep>");
  std::istringstream Truncated("<?xml version=\"1.0\"?>\n<GPDomain><Population>");
  EXPECT_THROW(Doc.LoadFromStream(Truncated), EXMLError);
  EXPECT_THROW(Doc.LoadFromXML("<Other/><Two/>"), EXMLError);
  EXPECT_EQ(ElementText(Doc.DocumentElement().Child("x")), "1");
}

TEST(XmlDocumentLoad, DecodesKnownReferencesAndOtherEncodingsAndWritesUtf8) {
  TKXXMLDocument Doc;
  Doc.LoadFromXML(
      "<a v='&quot;&#x41;&apos;'>&lt;&amp;&gt;&#65;&#x263A;&#x1F600;<![CDATA[&raw;]]></a>");
  TKXXMLNode Root = Doc.DocumentElement();
  EXPECT_EQ(Root.Attribute("v"), "\"A'");
  EXPECT_EQ(Root.FirstChild().NodeValue(), "<&>A\xE2\x98\xBA\xF0\x9F\x98\x80");
  EXPECT_EQ(Root.LastChild().NodeValue(), "&raw;");

  Doc.LoadFromXML("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>caf\xE9</a>");
  EXPECT_EQ(ElementText(Doc.DocumentElement()), "caf\xC3\xA9");
  EXPECT_THAT(Doc.SaveToXML(), HasSubstr("encoding=\"UTF-8\"?>\n<a>caf\xC3\xA9</a>"));
}

TEST(XmlDocumentSave, IndentsNestedElementsButNotTextsAndReportsAFailedStream) {
  auto Doc = TKXXMLDocument::New("Root");
  TKXXMLNode Root = Doc->DocumentElement();
  TKXXMLNode A = AppendChildElement(Root, "A");
  A.SetAttribute("n", "x\"<y");
  SetElementText(AppendChildElement(A, "B"), "1");
  AppendChildElement(A, "C");
  SetElementText(AppendChildElement(Root, "D"), " two ");
  Doc->SetAutoIndent(true);
  EXPECT_EQ(Doc->SaveToXML(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Root>\n"
            "  <A n=\"x&quot;&lt;y\">\n"
            "    <B>1</B>\n"
            "    <C/>\n"
            "  </A>\n"
            "  <D> two </D>\n"
            "</Root>\n");
  std::ostringstream Failed;
  Failed.setstate(std::ios::badbit);
  EXPECT_THROW(Doc->SaveToStream(Failed), EXMLError);
}

// Random documents (tags, attributes and texts holding markup characters and non-ASCII
// letters), saved with and without indentation, load back and save byte for byte the same.
TEST(XmlDocumentSave, RandomDocumentsRoundTripByteForByte) {
  std::mt19937 random(23);
  auto pick = [&](int N) { return static_cast<int>(random() % static_cast<unsigned>(N)); };
  auto text = [&] {
    static const std::string pieces[] = {"a", "B", " ", "<", "&", ">", "\"", "'", "\xC3\xA9", "1"};
    std::string result;
    for (int i = pick(6); i > 0; --i) result += pieces[pick(10)];
    return result;
  };
  const char* Tags[] = {"ta", "tb", "tc", "td", "k1", "k2"};
  for (int trial = 0; trial < 100; ++trial) {
    auto Doc = TKXXMLDocument::New("Root");
    std::vector<TKXXMLNode> Open{Doc->DocumentElement()};
    for (int i = pick(40); i > 0; --i) {
      TKXXMLNode Parent = Open[pick(static_cast<int>(Open.size()))];
      if (!ElementText(Parent).empty()) continue;  // an element holds text or elements
      TKXXMLNode Node = AppendChildElement(Parent, Tags[pick(4)]);
      for (int a = pick(3); a > 0; --a) Node.SetAttribute(Tags[a + 3], text());
      pick(2) ? SetElementText(Node, text()) : Open.push_back(Node);
    }
    Doc->SetAutoIndent(trial % 2 == 0);
    const std::string Saved = Doc->SaveToXML();
    TKXXMLDocument Copy;
    Copy.LoadFromXML(Saved);
    Copy.SetAutoIndent(trial % 2 == 0);
    ASSERT_EQ(Copy.SaveToXML(), Saved) << "trial " << trial;
    ASSERT_EQ(NodeToXML(Copy.DocumentElement()), NodeToXML(Doc->DocumentElement()));
  }
}

TEST(XmlDocumentDeep, AMillionLevelsLoadWalkSaveAndFree) {
  constexpr int Depth = 1000000;
  std::string Text = "<Population><Individual><DNA Instruction=\"f\">";
  for (int I = 0; I < Depth; ++I) Text += "<Child Instruction=\"f\">";
  Text += "<Value>1</Value>";
  for (int I = 0; I < Depth; ++I) Text += "</Child>";
  Text += "</DNA></Individual></Population>";
  TKXXMLDocument Doc;
  Doc.LoadFromXML(Text);
  TXMLGPPopulation Population = GetGPPopulation(Doc);
  TXMLDnaType Node = Population.Items(0).DNA();
  int Levels = 0;
  for (TXMLDnaTypeList Children = Node.Child(); Children.Count() == 1; Children = Node.Child()) {
    Node = Children.Items(0);
    ++Levels;
  }
  EXPECT_EQ(Levels, Depth);
  EXPECT_EQ(Node.Value(), "1");
  // Indentation stops at a fixed depth: the output stays close to the raw size.
  Doc.SetAutoIndent(true);
  const std::string Saved = Doc.SaveToXML();
  EXPECT_LT(Saved.size(), Text.size() + 100000);
  TKXXMLDocument Copy;
  Copy.LoadFromXML(Saved);
  EXPECT_EQ(NodeToXML(Copy.DocumentElement()), NodeToXML(Doc.DocumentElement()));
  // Deleting the individual frees the whole tree without recursion.
  Population.Delete(0);
  EXPECT_EQ(Population.Count(), 0);
}

TEST(XmlDocumentFiles, ErrorsOfLoadsAndSavesNameTheFile) {
  TempFolder Folder;
  const std::string File = Folder.File("doc.xml");
  TKXXMLDocument Doc;
  const std::string Missing = Folder.File("missing.xml");
  EXPECT_THAT(ErrorOf([&] { Doc.LoadFromFile(Missing); }),
              AllOf(HasSubstr(Missing), HasSubstr("No such file")));
  EXPECT_THROW(Doc.LoadFromFile(Folder.File("")), EXMLError);
  WriteFile(File, "<a>\n</b>");
  EXPECT_THAT(ErrorOf([&] { Doc.LoadFromFile(File); }),
              AllOf(HasSubstr("doc.xml"), HasSubstr("line 2")));
  const std::string Unreachable = Folder.File("no/such/folder/doc.xml");
  EXPECT_THAT(ErrorOf([&] { Doc.SaveToFile(Unreachable); }),
              AllOf(HasSubstr(Unreachable), HasSubstr("No such file")));
  // A folder in the way of the target is not replaced.
  std::filesystem::remove(File);
  std::filesystem::create_directory(File);
  EXPECT_THROW(Doc.SaveToFile(File), EXMLError);
  EXPECT_TRUE(std::filesystem::is_directory(File));
  EXPECT_THAT(Folder.Names(), ElementsAre("doc.xml"));
}

}  // namespace
}  // namespace kx::test
