#include "kx/xml/xml_lists.hpp"

#include "kx/xml/ga_domain_xml.hpp"
#include "xml_test_support.hpp"

namespace kx::test {
namespace {

class XmlListsTest : public ::testing::Test {
 protected:
  TKXXMLNode Load(const std::string& Text) {
    FDoc.LoadFromXML(Text);
    return FDoc.DocumentElement();
  }
  TKXXMLDocument FDoc;
};

TEST_F(XmlListsTest, CollectionsIndexInsertAndDeleteOnlyTheirOwnTagAndNeedAParent) {
  TKXXMLNode Root = Load("<G><A><Name>a0</Name></A><B/><A><Name>a1</Name></A><B/></G>");
  TXMLNodeCollection<TXMLGeneType> As(Root, "A");
  std::vector<std::string> Names;
  for (TXMLGeneType Item : As) Names.push_back(Item.Name());
  EXPECT_THAT(Names, ElementsAre("a0", "a1"));
  EXPECT_THROW(As.Items(2), EListError);
  EXPECT_THROW(As.Items(-1), EListError);

  As.Insert(1).SetName("new1");
  EXPECT_THAT(ChildTags(Root), ElementsAre("A", "B", "A", "A", "B"));
  EXPECT_EQ(As[1].Name(), "new1");
  // Inserting at Count appends at the end of the parent.
  As.Insert(3).SetName("last");
  EXPECT_THAT(ChildTags(Root), ElementsAre("A", "B", "A", "A", "B", "A"));
  EXPECT_EQ(As.Items(3).Name(), "last");
  EXPECT_THROW(As.Insert(5), EListError);
  EXPECT_THROW(As.Insert(-1), EListError);

  As.Delete(0);
  EXPECT_EQ(As.Items(0).Name(), "new1");
  EXPECT_THROW(As.Delete(3), EListError);
  As.Clear();
  EXPECT_THAT(ChildTags(Root), ElementsAre("B", "B"));

  TXMLNodeCollection<TXMLGeneType> Unbound(TKXXMLNode(), "A");
  EXPECT_EQ(Unbound.Count(), 0);
  EXPECT_THROW(Unbound.Add(), EXMLError);
}

TEST_F(XmlListsTest, ValueListsWriteAndReadTheirValues) {
  TKXXMLNode Root = Load("<Genes/>");
  TXMLSingleList Floats(Root, "F");
  TXMLIntegerList Ints(Root, "I");
  TXMLBooleanList Bools(Root, "B");
  TXMLStringList Names(Root, "S");
  Floats.Add(0.1f);
  Ints.Add(-42);
  Bools.Add(true);
  Names.Add("x y");
  Bools.Insert(0, false);
  EXPECT_THAT(ChildTags(Root), ElementsAre("F", "I", "B", "B", "S"));
  EXPECT_EQ(Floats.Items(0), 0.1f);
  EXPECT_EQ(Ints[0], -42);
  EXPECT_TRUE(Bools.Items(1));
  EXPECT_EQ(NodeToXML(Root),
            "<Genes><F>0.100000001490116</F><I>-42</I><B>false</B><B>true</B>"
            "<S>x y</S></Genes>");
}

TEST_F(XmlListsTest, NumericItemsWithoutAValueAreErrorsNotZero) {
  TKXXMLNode Root = Load("<G><I/><F> </F><B></B><S/><I>1.5</I><F>x</F></G>");
  EXPECT_THAT(ErrorOf<EConvertError>([&] { TXMLIntegerList(Root, "I").Items(0); }),
              HasSubstr("\"I\""));
  EXPECT_THROW(TXMLSingleList(Root, "F").Items(0), EConvertError);
  EXPECT_THROW(TXMLBooleanList(Root, "B").Items(0), EConvertError);
  EXPECT_EQ(TXMLStringList(Root, "S").Items(0), "");
  EXPECT_THROW(TXMLIntegerList(Root, "I").Items(1), EConvertError);
  EXPECT_THROW(TXMLSingleList(Root, "F").Items(1), EConvertError);
}

TEST_F(XmlListsTest, BooleanItemsUseTheGeneralConversion) {
  TKXXMLNode Root =
      Load("<G><B>TRUE</B><B>False</B><B>1</B><B>0</B><B>-3</B><B>yes</B><B> true </B></G>");
  TXMLBooleanList Bools(Root, "B");
  const bool Expected[] = {true, false, true, false, true};
  for (int I = 0; I < 5; ++I) EXPECT_EQ(Bools.Items(I), Expected[I]) << I;
  EXPECT_THROW(Bools.Items(5), EConvertError);
  EXPECT_TRUE(Bools.Items(6));
  // A number item reads the same whatever the process-wide decimal separator is.
  testing::SeparatorGuard Comma(',');
  const TXMLBooleanList Numbers(Load("<G><B>0.5</B><B>0.0</B></G>"), "B");
  EXPECT_TRUE(Numbers.Items(0));
  EXPECT_FALSE(Numbers.Items(1));
}

}  // namespace
}  // namespace kx::test
