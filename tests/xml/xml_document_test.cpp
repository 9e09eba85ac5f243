#include "kx/xml/xml_document.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <utility>

#include "kx/xml/atomic_file.hpp"
#include "kx/xml/gp_domain_xml.hpp"
#include "kx/xml/xml_error.hpp"
#include "xml_test_support.hpp"

namespace kx {
namespace {

using test::ErrorOf;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The message of the EXMLError that loading Text raises ("no error" when it loads).
std::string LoadError(const std::string& Text) {
  TKXXMLDocument Doc;
  return ErrorOf([&] { Doc.LoadFromXML(Text); });
}

TEST(XmlDocumentLoad, RejectsMalformedAndEarlyEndingTextWithThePosition) {
  const struct {
    const char* Text;
    const char* Message;
    const char* Position;
  } Rows[] = {{"<a>\n  <b>\n  </c>\n</a>", "Start-end tags mismatch", "line 3, column 5"},
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
  for (const auto& Row : Rows) {
    const std::string Error = LoadError(Row.Text);
    EXPECT_NE(Error, "no error") << Row.Text;
    EXPECT_THAT(Error, AllOf(HasSubstr(Row.Message), HasSubstr(Row.Position))) << Row.Text;
  }
  // A failed load keeps the previous content.
  TKXXMLDocument Doc;
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
  const std::string Saved = Doc.SaveToXML();
  EXPECT_THAT(Saved, HasSubstr("encoding=\"UTF-8\""));
  TKXXMLDocument Copy;
  Copy.LoadFromXML(Saved);
  EXPECT_EQ(ElementText(Copy.DocumentElement()), "caf\xC3\xA9");
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

// A program tree nested Depth levels deep, as the text of a Population document.
std::string DeepPopulation(int Depth) {
  std::string Text = "<Population><Individual><DNA Instruction=\"f\">";
  Text.reserve(Text.size() + static_cast<std::size_t>(Depth) * 40);
  for (int I = 0; I < Depth; ++I) Text += "<Child Instruction=\"f\">";
  Text += "<Value>1</Value>";
  for (int I = 0; I < Depth; ++I) Text += "</Child>";
  Text += "</DNA></Individual></Population>";
  return Text;
}

TEST(XmlDocumentDeep, AMillionLevelsLoadWalkSaveAndFree) {
  constexpr int Depth = 1000000;
  const std::string Text = DeepPopulation(Depth);
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
  Copy.Clear();
  EXPECT_FALSE(Copy.DocumentElement());
}

class AtomicSaveTest : public ::testing::Test {
 protected:
  TempFolder FFolder;
  std::string FFile = FFolder.File("doc.xml");
};

TEST_F(AtomicSaveTest, ReplacesTheFileAndLeavesNoTemporaryFile) {
  WriteFile(FFile, "old");
  ::chmod(FFile.c_str(), 0640);
  auto Doc = TKXXMLDocument::New("Root");
  SaveDocumentToFile(*Doc, FFile);
  EXPECT_EQ(ReadFile(FFile), Doc->SaveToXML());
  EXPECT_THAT(FFolder.Names(), ElementsAre("doc.xml"));
  struct stat Info;
  ASSERT_EQ(::stat(FFile.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0640u);
}

TEST_F(AtomicSaveTest, AFailedWriteKeepsTheOldFile) {
  WriteFile(FFile, "old content");
  EXPECT_THROW(SaveToFileAtomically(FFile,
                                    [](std::ostream& Stream) {
                                      Stream << std::string(200000, 'x');
                                      throw EXMLError("writer failed");
                                    }),
               EXMLError);
  EXPECT_EQ(ReadFile(FFile), "old content");
  EXPECT_THAT(FFolder.Names(), ElementsAre("doc.xml"));
}

TEST_F(AtomicSaveTest, FileSystemErrorsOfLoadsAndSavesNameTheFile) {
  TKXXMLDocument Doc;
  const std::string Missing = FFolder.File("missing.xml");
  EXPECT_THAT(ErrorOf([&] { Doc.LoadFromFile(Missing); }),
              AllOf(HasSubstr(Missing), HasSubstr("No such file")));
  EXPECT_THROW(Doc.LoadFromFile(FFolder.File("")), EXMLError);
  WriteFile(FFile, "<a>\n</b>");
  EXPECT_THAT(ErrorOf([&] { Doc.LoadFromFile(FFile); }),
              AllOf(HasSubstr("doc.xml"), HasSubstr("line 2")));

  const std::string Unreachable = FFolder.File("no/such/folder/doc.xml");
  EXPECT_THAT(ErrorOf([&] { Doc.SaveToFile(Unreachable); }),
              AllOf(HasSubstr(Unreachable), HasSubstr("No such file")));
  // A folder in the way of the target is not replaced.
  std::filesystem::remove(FFile);
  std::filesystem::create_directory(FFile);
  EXPECT_THROW(Doc.SaveToFile(FFile), EXMLError);
  EXPECT_TRUE(std::filesystem::is_directory(FFile));
  EXPECT_THAT(FFolder.Names(), ElementsAre("doc.xml"));
}

}  // namespace
}  // namespace kx
