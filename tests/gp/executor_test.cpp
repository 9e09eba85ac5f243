// Program executors: programs from components, files, streams and their text form, and
// running them.

#include "gp_test_support.hpp"
#include "host/host_test_support.hpp"
#include "kx/gp/gp_executor.hpp"
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

// The document holds the domain only; loading keeps named instructions, reads the program and
// keeps the set when the domain brings none; an unknown name leaves the program as it was.
TEST(GPExecutorTest, SaveAndLoadThroughFilesAndStreams) {
  TKXGeneticProgrammingExecutor source;
  AddVocabulary(*source.Instructions());
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
  EXPECT_EQ(test::ChildTags(saved.Root().Domain().FittestIndividual().Node()),
            std::vector<std::string>{"DNA"});
  TKXGeneticProgrammingExecutor target;
  AddVocabulary(*target.Instructions());
  TKXGPInstruction<TGAFloat>* add = target.Instructions()->Items(0);
  target.LoadFromFile(folder.File("program.xml"));
  EXPECT_EQ(target.Instructions()->Items(0), add);
  EXPECT_EQ(target.GPProgram()->ToString(), source.GPProgram()->ToString());
  EXPECT_EQ(RunAt(target, 0.4), RunAt(source, 0.4));
  doc.LoadFromXML(
      "<GPDomain><FittestIndividual><DNA Instruction=\"pow\"/></FittestIndividual></GPDomain>");
  EXPECT_THROW(target.LoadFromXML(GetGPDomain(doc)), EGPException);
  EXPECT_EQ(RunAt(target, 5), 15);
  // Without a program an empty DNA is written; loading it removes the program.
  TKXGeneticProgrammingExecutor blank;
  AddVocabulary(*blank.Instructions());
  std::stringstream stream(Saved(blank));
  EXPECT_THAT(stream.str(), ::testing::HasSubstr("<FittestIndividual><DNA/></FittestIndividual>"));
  target.LoadFromStream(stream);
  EXPECT_EQ(target.Instructions()->Count(), 5);
  EXPECT_EQ(target.GPProgram(), nullptr);
}

TEST(GPExecutorTest, TextFormParsesIntoTheSameProgram) {
  TKXGeneticProgramming gp;
  AddVocabulary(*gp.Instructions());
  TFloatNodePtr program =
      Node(gp, "add", Args(Node(gp, "mul", Args(Node(gp, "x"), Node(gp, "x"))), Node(gp, "two")));
  program->Child(1)->SetValue(0.5);
  TKXGeneticProgrammingExecutor source;
  AddVocabulary(*source.Instructions());
  source.SetGPProgram(program.get());
  const std::string text = source.GPProgramLines().Text();
  EXPECT_THAT(text, ::testing::StartsWith("<DNA Instruction=\"add\">"));
  EXPECT_THAT(text, ::testing::HasSubstr("<Value>0.5</Value>"));
  // Lines are parsed at design time or on demand; an empty instruction set parses nothing.
  TKXStringList lines;
  lines.SetText(text);
  TKXGeneticProgrammingExecutor target;
  target.SetGPProgramLines(lines);
  target.Parse();
  EXPECT_EQ(target.GPProgram(), nullptr);
  AddVocabulary(*target.Instructions());
  target.SetGPProgramLines(lines);
  EXPECT_EQ(target.GPProgram(), nullptr);
  target.Parse();
  ASSERT_NE(target.GPProgram(), nullptr);
  EXPECT_EQ(target.GPProgram()->ToString(), program->ToString());
  EXPECT_EQ(RunAt(target, 3), 9.5);
  TKXGeneticProgrammingExecutor designed;
  AddVocabulary(*designed.Instructions());
  designed.SetDesigning(true);
  designed.SetGPProgramLines(lines);
  EXPECT_EQ(RunAt(designed, 1), 1.5);
  // A component stream carries the instruction set before the lines that name it.
  std::istringstream stream(StreamText(source));
  TKXGeneticProgrammingExecutor streamed;
  ReadComponent(stream, streamed);
  ASSERT_EQ(streamed.Instructions()->Count(), 5);
  EXPECT_EQ(streamed.Instructions()->Items(4)->Operation(), gpConstant);
  EXPECT_EQ(streamed.GPProgramLines().Text(), text);
  streamed.Parse();
  ASSERT_NE(streamed.GPProgram(), nullptr);
  EXPECT_EQ(streamed.GPProgram()->ToString(), program->ToString());
}

}  // namespace
}  // namespace kx::testing
