// Writes the seed corpora of the fuzz targets: small documents saved by the library itself
// (so they follow the current formats) and a few texts, one file per seed, into
// DIR/<target>/.
//
//   make_corpus DIR

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <kx/kxevo.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void WriteSeeds(const fs::path& Folder, const std::vector<std::string>& Seeds) {
  fs::create_directories(Folder);
  for (std::size_t i = 0; i < Seeds.size(); ++i) {
    std::ofstream(Folder / ("seed" + std::to_string(i)), std::ios::binary) << Seeds[i];
  }
}

template <class TComponent>
std::string Saved(TComponent& Component) {
  std::ostringstream Out;
  Component.SaveToStream(Out);
  return Out.str();
}

void ZeroFitness(kx::TKXObject*, kx::TKXIndividual*, kx::TGAFitness& Fitness) { Fitness = 0; }

std::string TypedGenesDocument() {
  kx::TKXGeneticAlgorithm ga;
  auto add = [&](const char* Name, kx::TGeneType Type, int Size) {
    kx::TKXGAGene* gene = ga.Genes()->Add();
    gene->SetName(Name);
    gene->SetGeneType(Type);
    if (Size > 0) gene->SetSize(Size);
    return gene;
  };
  // Four names in two bits: every chromosome decodes, so the population can be saved.
  kx::TKXGAGene* material = add("Material", kx::gtEnumeration, 0);
  material->Enumerations()->SetText("Pine\nOak\nSteel\nAsh\n");
  material->SetSize(2);
  add("Count", kx::gtInteger, 4);
  kx::TKXGAGene* width = add("Width", kx::gtFloat, 8);
  width->SetMaxValue(120);
  width->SetMinValue(6);
  add("Coat", kx::gtBoolean, 1);
  ga.SetInitialPopulation(3);
  ga.SetOnEvaluateFitness(ZeroFitness);
  ga.Initialize();
  return Saved(ga);
}

std::string BitsDocument() {
  kx::TKXGeneticAlgorithm ga;
  ga.SetGeneSize(16);
  ga.SetInitialPopulation(2);
  ga.SetFitnessMethod(kx::fmMaximize);
  ga.SetUseGenerationLimit(true);
  ga.SetGenerationLimit(7);
  ga.SetOnEvaluateFitness(ZeroFitness);
  ga.Initialize();
  return Saved(ga);
}

// A small population of small programs over two functions, a variable and a constant.
template <class TComponent, class TValue>
std::string ProgramsDocument(TValue Constant) {
  TComponent gp;
  for (const char* name : {"Add", "Mul"}) {
    auto* function = gp.Instructions()->Add();
    function->SetName(name);
    function->SetArity(2);
  }
  gp.Instructions()->Add()->SetName("x");
  auto* constant = gp.Instructions()->Add();
  constant->SetName("c");
  constant->SetOperation(kx::gpConstant);
  constant->SetValue(Constant);
  gp.SetInitialPopulation(3);
  gp.SetInitializationDepth(3);
  gp.SetOnEvaluateFitness(ZeroFitness);
  gp.Initialize();
  return Saved(gp);
}

void WriteCorpora(const fs::path& Root) {
  const std::string floatPrograms = ProgramsDocument<kx::TKXGeneticProgramming>(0.5);
  const std::string variantPrograms =
      ProgramsDocument<kx::TKXGeneticProgrammingVariant>(kx::TKXVariant(std::string("2.5")));
  WriteSeeds(Root / "fuzz_ga_document", {TypedGenesDocument(), BitsDocument()});
  WriteSeeds(Root / "fuzz_gp_document", {floatPrograms});
  WriteSeeds(Root / "fuzz_binary_gp_document",
             {ProgramsDocument<kx::TKXBinaryGeneticProgramming>(-2.25)});
  WriteSeeds(Root / "fuzz_variant_gp_document", {variantPrograms});
  WriteSeeds(Root / "fuzz_executor",
             {floatPrograms, variantPrograms,
              "<Instructions><Function Name=\"Add\" Comment=\"\" Arity=\"2\"/>"
              "<Variable Name=\"x\" Comment=\"\"/>"
              "<Constant Name=\"one\" Comment=\"\"><Value>1</Value></Constant></Instructions>"});
  WriteSeeds(Root / "fuzz_program_tree",
             {"<DNA Instruction=\"Add\"><Child Instruction=\"x\"/>"
              "<Child Instruction=\"one\"><Value>1</Value></Child></DNA>",
              "<DNA Instruction=\"Mul\"><Child Instruction=\"Add\"><Child Instruction=\"y\"/>"
              "<Child Instruction=\"x\"/></Child><Child Instruction=\"one\">"
              "<Value>-0.125</Value></Child></DNA>"});
  WriteSeeds(Root / "fuzz_number_text", {"0", "-1.5E-7", "1E20", "0.0199999995529652", "NAN",
                                         "-INF", " 12 ", "2147483648", "True", "false"});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_corpus DIR\n");
    return 2;
  }
  try {
    kx::RandSeed(1);
    WriteCorpora(argv[1]);
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "make_corpus: %s\n", Error.what());
    return 1;
  }
  return 0;
}
