// Program executors: programs from components, files, streams and their text form, and
// running them.

#include "gp_test_support.hpp"
#include "kx/gp/gp_executor.hpp"
#include "kx/host/string_list.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::testing {
namespace {

void AddVocabulary(TFloatSet& Set) { AddInstructions(Set, {"add", "sub", "mul", "x", "two"}); }

TEST(GPExecutorTest, AssignedProgramsComputeWhatTheFittestComputes) {
  auto gp = std::make_unique<TKXGeneticProgramming>();
  AddVocabulary(*gp->Instructions());
  gp->SetInitializationDepth(4);
  EvolveQuadratic(*gp, 5, 30, 4);
  TKXGeneticProgrammingExecutor executor, copy, empty;
  executor.Assign(gp.get());
  ASSERT_NE(executor.GPProgram(), nullptr);
  EXPECT_EQ(executor.GPProgram()->ToString(), gp->FittestIndividual()->DNA()->ToString());
  TKXGPBatchContext<TGAFloat> batch(4);
  std::vector<double> expected, results(4);
  for (std::size_t k = 0; k < 4; ++k) {
    batch.Column("x")[k] = 1.9 * k - 0.7;
    expected.push_back(RunAt(*gp->FittestIndividual(), 1.9 * k - 0.7));
  }
  // The program refers to the executor's own instructions and handlers: it outlives the
  // component, and so does a copy made from the executor; a batch gives the same values.
  gp.reset();
  copy.Assign(&executor);
  EXPECT_NE(copy.GPProgram(), executor.GPProgram());
  copy.ExecuteBatch(batch, results);
  EXPECT_EQ(results, expected);
  EXPECT_EQ(RunAt(copy, 1.9 * 3 - 0.7), expected[3]);
  TKXGeneticProgrammingVariantExecutor variant;
  EXPECT_THROW(variant.Assign(&executor), EConvertError);
  // A component without a fittest individual brings its set; the program stays, on the new
  // instructions of the same names, until one of them is missing.
  TKXGeneticProgramming unevolved;
  AddVocabulary(*unevolved.Instructions());
  copy.Assign(&unevolved);
  EXPECT_EQ(copy.GPProgram()->Instruction()->Collection(), copy.Instructions());
  EXPECT_EQ(RunAt(copy, -0.7), expected[0]);
  unevolved.Instructions()->Delete(copy.GPProgram()->Instruction()->Index());
  copy.Assign(&unevolved);
  EXPECT_EQ(copy.GPProgram(), nullptr);
  // A tree on instructions the set lacks brings them along, so that its save loads back.
  copy.SetGPProgram(executor.GPProgram());
  EXPECT_EQ(copy.Instructions()->Count(), unevolved.Instructions()->Count() + 1);
  EXPECT_EQ(RunAt(copy, -0.7), expected[0]);
  // Without a program: the empty value, and no text.
  empty.ExecuteBatch(batch, results);
  EXPECT_EQ(results, std::vector<double>(4, 0.0));
  EXPECT_EQ(RunAt(empty, 1) + empty.GPProgramLines().Count(), 0);
}

// The document holds the domain only; loading keeps named instructions and reads the program,
// keeping the set when the domain brings none; an unknown name leaves the program as it was.
TEST(GPExecutorTest, SaveAndLoadThroughFilesAndStreams) {
  TKXGeneticProgrammingExecutor source, target;
  AddVocabulary(*source.Instructions());
  AddVocabulary(*target.Instructions());
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GeneticProgram><Domain><Instructions/><FittestIndividual><DNA Instruction=\"mul\">"
      "<Child Instruction=\"x\"/><Child Instruction=\"two\"><Value>3</Value></Child></DNA>"
      "</FittestIndividual></Domain></GeneticProgram>");
  source.LoadFromXML(GetGeneticProgram(doc));
  EXPECT_EQ(std::tuple(source.Instructions()->Count(), RunAt(source, 5)), std::tuple(5, 15.0));
  test::TempFolder folder;
  source.SaveToFile(folder.File("program.xml"));
  TXMLDocumentBinding<TXMLGeneticProgram> saved = LoadGeneticProgram(folder.File("program.xml"));
  EXPECT_EQ(test::ChildTags(saved.Root().Node()), std::vector<std::string>{"Domain"});
  TKXGPInstruction<TGAFloat>* add = target.Instructions()->Items(0);
  target.LoadFromFile(folder.File("program.xml"));
  EXPECT_EQ(std::tuple(target.Instructions()->Items(0), target.GPProgram()->ToString()),
            std::tuple(add, source.GPProgram()->ToString()));
  doc.LoadFromXML(
      "<GPDomain><FittestIndividual><DNA Instruction=\"pow\"/></FittestIndividual></GPDomain>");
  EXPECT_THROW(target.LoadFromXML(GetGPDomain(doc)), EGPException);
  EXPECT_EQ(RunAt(target, 5), 15);
}

// The text form is the program's DNA element; lines are parsed on demand, or at design time,
// and an empty instruction set parses nothing.
TEST(GPExecutorTest, TextFormParsesIntoTheSameProgram) {
  TKXGeneticProgramming gp;
  AddVocabulary(*gp.Instructions());
  TFloatNodePtr program =
      Node(gp, "add", Args(Node(gp, "mul", Args(Node(gp, "x"), Node(gp, "x"))), Node(gp, "two")));
  program->Child(1)->SetValue(0.5);
  TKXGeneticProgrammingExecutor source, target, designed;
  source.SetGPProgram(program.get());
  TKXStringList lines;
  lines.SetText(source.GPProgramLines().Text());
  EXPECT_THAT(lines.Text(),
              ::testing::StartsWith("<DNA Instruction=\"add\">\n  <Child Instruction=\"mul\">"));
  target.SetGPProgramLines(lines);
  target.Parse();
  EXPECT_EQ(target.GPProgram(), nullptr);
  AddVocabulary(*target.Instructions());
  target.Parse();
  EXPECT_EQ(RunAt(target, 3), 9.5);
  AddVocabulary(*designed.Instructions());
  designed.SetDesigning(true);
  designed.SetGPProgramLines(lines);
  EXPECT_EQ(RunAt(designed, 1), 1.5);
}

}  // namespace
}  // namespace kx::testing
