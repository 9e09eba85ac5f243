// Program executors: programs from components, files, streams and their text form, and
// running them.

#include "gp_test_support.hpp"
#include "kx/gp/gp_executor.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::testing {
namespace {

TEST(GPExecutorTest, AssignedProgramsComputeWhatTheFittestComputes) {
  auto gp = std::make_unique<TKXGeneticProgramming>();
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
  EXPECT_THROW(TKXGeneticProgrammingVariantExecutor().Assign(&executor), EConvertError);
  // A tree on instructions the set lacks brings them along, so that its save loads back.
  TKXGeneticProgrammingExecutor bare;
  bare.SetGPProgram(executor.GPProgram());
  EXPECT_EQ(RunAt(bare, -0.7), expected[0]);
  // Without a program: the empty value, and no text.
  empty.ExecuteBatch(batch, results);
  EXPECT_EQ(results, std::vector<double>(4, 0.0));
  EXPECT_EQ(RunAt(empty, 1) + empty.GPProgramLines().Count(), 0);
}

// The document holds the domain only; loading keeps named instructions and reads the program,
// keeping the set when the domain brings none; an unknown name leaves the program as it was.
TEST(GPExecutorTest, ProgramsTravelThroughFiles) {
  TKXGeneticProgrammingExecutor source, target;
  for (auto* executor : {&source, &target}) AddArithmetic(*executor->Instructions());
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GeneticProgram><Domain><Instructions/><FittestIndividual><DNA Instruction=\"mul\">"
      "<Child Instruction=\"x\"/><Child Instruction=\"one\"><Value>3</Value></Child></DNA>"
      "</FittestIndividual></Domain></GeneticProgram>");
  source.LoadFromXML(GetGeneticProgram(doc));
  EXPECT_EQ(std::tuple(source.Instructions()->Count(), RunAt(source, 5)), std::tuple(5, 15.0));
  test::TempFolder folder;
  source.SaveToFile(folder.File("program.xml"));
  TXMLDocumentBinding<TXMLGeneticProgram> saved = LoadGeneticProgram(folder.File("program.xml"));
  EXPECT_EQ(test::ChildTags(saved.Root().Node()), std::vector<std::string>{"Domain"});
  TKXGPInstruction<TGAFloat>* add = target.Instructions()->Items(0);
  target.LoadFromFile(folder.File("program.xml"));
  EXPECT_EQ(std::tuple(target.Instructions()->Items(0), RunAt(target, 5)), std::tuple(add, 15.0));
  doc.LoadFromXML(
      "<GPDomain><FittestIndividual><DNA Instruction=\"pow\"/></FittestIndividual></GPDomain>");
  EXPECT_THROW(target.LoadFromXML(GetGPDomain(doc)), EGPException);
  EXPECT_EQ(RunAt(target, 5), 15);
}

}  // namespace
}  // namespace kx::testing
