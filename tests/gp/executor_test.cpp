// Program executors: programs from components, files, streams and their text form, and
// running them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "gp_test_support.hpp"
#include "kx/gp/gp_executor.hpp"
#include "kx/host/random.hpp"
#include "kx/host/streaming.hpp"
#include "kx/xml/genetic_program_xml.hpp"
#include "kx/xml/xml_document.hpp"

namespace kx::testing {
namespace {

// The vocabulary of the component tests: add, sub, mul, x, plus the constant two.
void AddVocabulary(TKXGPInstructions<TGAFloat>& Set) {
  AddArithmetic(Set);
  AddConstant(Set, "two", 2.0);
}

// An evolved component whose fittest individual is a program over the vocabulary.
std::unique_ptr<TKXGeneticProgramming> EvolvedComponent() {
  RandSeed(5);
  auto gp = std::make_unique<TKXGeneticProgramming>();
  AddVocabulary(*gp->Instructions());
  SetQuadraticFitness(*gp);
  gp->SetInitialPopulation(30);
  gp->SetInitializationDepth(4);
  gp->SetInitializationMethod(imRampedHalfAndHalf);
  gp->Initialize();
  gp->Evolve(4);
  return gp;
}

double RunAt(generics::TKXCustomGeneticProgrammingExecutor<TGAFloat>& Executor, double X) {
  TKXGPContext<TGAFloat> context;
  context.Values().AddOrSetValue("x", X);
  return Executor.Execute(context);
}

TEST(GPExecutorTest, AssignedFromAComponentComputesWhatItsFittestComputes) {
  std::unique_ptr<TKXGeneticProgramming> gp = EvolvedComponent();
  TFloatIndividual* fittest = gp->FittestIndividual();
  ASSERT_NE(fittest, nullptr);
  TKXGeneticProgrammingExecutor executor;
  executor.Assign(gp.get());
  ASSERT_NE(executor.GPProgram(), nullptr);
  EXPECT_EQ(executor.GPProgram()->ToString(), fittest->DNA()->ToString());
  EXPECT_EQ(executor.Instructions()->Count(), gp->Instructions()->Count());

  std::vector<double> expected;
  for (double x : {-0.7, 0.3, 1.9, 5.0}) {
    TKXGPContext<TGAFloat> context;
    context.Values().AddOrSetValue("x", x);
    expected.push_back(fittest->Execute(context));
    EXPECT_EQ(RunAt(executor, x), expected.back()) << x;
  }
  // The program refers to the executor's own instructions and handlers: it outlives the
  // component.
  gp.reset();
  EXPECT_EQ(RunAt(executor, -0.7), expected[0]);
  // A batch of the same cases gives the same values.
  TKXGPBatchContext<TGAFloat> batch(4);
  std::span<double> xs = batch.Column("x");
  const double inputs[] = {-0.7, 0.3, 1.9, 5.0};
  std::copy(std::begin(inputs), std::end(inputs), xs.begin());
  std::vector<double> results(4);
  executor.ExecuteBatch(batch, results);
  EXPECT_EQ(results, expected);
  // Without a program every case gets the empty value.
  TKXGeneticProgrammingExecutor empty;
  empty.ExecuteBatch(batch, results);
  EXPECT_EQ(results, std::vector<double>(4, 0.0));
}

TEST(GPExecutorTest, AssignFromExecutorsAndOtherSources) {
  std::unique_ptr<TKXGeneticProgramming> gp = EvolvedComponent();
  TKXGeneticProgrammingExecutor first;
  first.Assign(gp.get());
  TKXGeneticProgrammingExecutor second;
  second.Assign(&first);
  EXPECT_EQ(second.GPProgram()->ToString(), first.GPProgram()->ToString());
  EXPECT_NE(second.GPProgram(), first.GPProgram());
  EXPECT_EQ(RunAt(second, 1.5), RunAt(first, 1.5));

  TKXGeneticProgrammingVariantExecutor variant;
  EXPECT_THROW(variant.Assign(&first), EConvertError);
}

TEST(GPExecutorTest, SaveAndLoadThroughAFile) {
  std::unique_ptr<TKXGeneticProgramming> gp = EvolvedComponent();
  TKXGeneticProgrammingExecutor source;
  source.Assign(gp.get());
  const std::string file =
      (std::filesystem::temp_directory_path() / "kx_gp_executor_test.xml").string();
  source.SaveToFile(file);

  // The document holds the domain only.
  TXMLDocumentBinding<TXMLGeneticProgram> doc = LoadGeneticProgram(file);
  std::vector<std::string> tags;
  for (pugi::xml_node child : doc.Root().Node().children()) tags.emplace_back(child.name());
  EXPECT_THAT(tags, ::testing::ElementsAre("Domain"));
  EXPECT_EQ(doc.Root().Domain().FittestIndividual().Node().first_child().name(),
            std::string("DNA"));

  TKXGeneticProgrammingExecutor fromFile;
  AddVocabulary(*fromFile.Instructions());
  TKXGPInstruction<TGAFloat>* add = fromFile.Instructions()->Items(0);
  fromFile.LoadFromFile(file);
  std::filesystem::remove(file);
  EXPECT_EQ(fromFile.Instructions()->Items(0), add);
  EXPECT_EQ(fromFile.GPProgram()->ToString(), source.GPProgram()->ToString());
  EXPECT_EQ(RunAt(fromFile, 0.4), RunAt(source, 0.4));
}

TEST(GPExecutorTest, DomainWithoutInstructionsKeepsTheSet) {
  TKXGeneticProgrammingExecutor executor;
  AddVocabulary(*executor.Instructions());
  TKXXMLDocument doc;
  doc.LoadFromXML(
      "<GeneticProgram><Domain><Instructions/><FittestIndividual>"
      "<DNA Instruction=\"mul\"><Child Instruction=\"x\"/><Child Instruction=\"two\">"
      "<Value>3</Value></Child></DNA></FittestIndividual></Domain></GeneticProgram>");
  executor.LoadFromXML(GetGeneticProgram(doc));
  EXPECT_EQ(executor.Instructions()->Count(), 5);
  EXPECT_EQ(RunAt(executor, 5), 15);

  // Unknown names leave the program as it was.
  doc.LoadFromXML(
      "<GPDomain><FittestIndividual><DNA Instruction=\"pow\"/></FittestIndividual></GPDomain>");
  EXPECT_THROW(executor.LoadFromXML(GetGPDomain(doc)), EGPException);
  EXPECT_EQ(RunAt(executor, 5), 15);
}

TEST(GPExecutorTest, SavingWithoutAProgramWritesAnEmptyDNA) {
  TKXGeneticProgrammingExecutor source;
  AddVocabulary(*source.Instructions());
  std::stringstream stream;
  source.SaveToStream(stream);
  EXPECT_THAT(stream.str(), ::testing::HasSubstr("<FittestIndividual><DNA/></FittestIndividual>"));

  TKXGeneticProgrammingExecutor target;
  AddVocabulary(*target.Instructions());
  target.Assign(EvolvedComponent().get());
  ASSERT_NE(target.GPProgram(), nullptr);
  target.LoadFromStream(stream);
  EXPECT_EQ(target.Instructions()->Count(), 5);
  EXPECT_EQ(target.GPProgram(), nullptr);
}

TEST(GPExecutorTest, TextFormRoundTripsThroughParse) {
  TKXGeneticProgramming gp;
  AddVocabulary(*gp.Instructions());
  TKXGeneticProgrammingExecutor executor;
  AddVocabulary(*executor.Instructions());
  TFloatNodePtr program =
      Node(gp, "add", Args(Node(gp, "mul", Args(Node(gp, "x"), Node(gp, "x"))), Node(gp, "two")));
  program->Child(1)->SetValue(0.5);
  executor.SetGPProgram(program.get());
  EXPECT_EQ(RunAt(executor, 3), 9.5);

  const std::string text = executor.GPProgramLines().Text();
  EXPECT_THAT(text, ::testing::StartsWith("<DNA Instruction=\"add\">"));
  EXPECT_THAT(text, ::testing::HasSubstr("<Value>0.5</Value>"));

  // Another executor parses the text into the same program.
  TKXGeneticProgrammingExecutor other;
  AddVocabulary(*other.Instructions());
  TKXStringList lines;
  lines.SetText(text);
  other.SetGPProgramLines(lines);
  EXPECT_EQ(other.GPProgram(), nullptr);  // parsed only at design time or on demand
  other.Parse();
  ASSERT_NE(other.GPProgram(), nullptr);
  EXPECT_EQ(other.GPProgram()->ToString(), program->ToString());
  EXPECT_EQ(RunAt(other, 3), 9.5);
  EXPECT_EQ(other.GPProgramLines().Text(), text);

  // At design time setting the lines parses them.
  TKXGeneticProgrammingExecutor designed;
  AddVocabulary(*designed.Instructions());
  designed.SetDesigning(true);
  designed.SetGPProgramLines(lines);
  EXPECT_EQ(RunAt(designed, 1), 1.5);

  // Bad text keeps the program; an empty set parses nothing.
  lines.SetText("<DNA Instruction=\"add\">");
  other.SetGPProgramLines(lines);
  EXPECT_THROW(other.Parse(), EXMLError);
  EXPECT_EQ(other.GPProgram()->ToString(), program->ToString());
  TKXGeneticProgrammingExecutor empty;
  lines.SetText(text);
  empty.SetGPProgramLines(lines);
  empty.Parse();
  EXPECT_EQ(empty.GPProgram(), nullptr);
}

TEST(GPExecutorTest, ProgramLinesTravelInComponentStreams) {
  TKXGeneticProgramming gp;
  AddVocabulary(*gp.Instructions());
  TKXGeneticProgrammingExecutor source;
  AddVocabulary(*source.Instructions());
  TFloatNodePtr program = Node(gp, "mul", Args(Node(gp, "x"), Node(gp, "two")));
  source.SetGPProgram(program.get());
  std::stringstream stream;
  WriteComponent(stream, source);

  TKXGeneticProgrammingExecutor target;
  AddVocabulary(*target.Instructions());
  target.SetDesigning(true);
  ReadComponent(stream, target);
  ASSERT_NE(target.GPProgram(), nullptr);
  EXPECT_EQ(RunAt(target, 4), 8);
}

}  // namespace
}  // namespace kx::testing
