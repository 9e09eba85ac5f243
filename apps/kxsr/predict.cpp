#include "predict.hpp"

#include <cstdio>
#include <exception>
#include <kx/kxevo.hpp>
#include <ostream>
#include <set>
#include <vector>

#include "csv_table.hpp"
#include "vocabulary.hpp"

namespace kxsr {

void RunPredict(const std::string& ModelFile, const std::string& DataFile, std::ostream& Out) {
  kx::TKXGeneticProgrammingExecutor executor;
  AddAllFunctions(*executor.Instructions());
  try {
    executor.LoadFromFile(ModelFile);
  } catch (const std::exception& E) {
    throw TDataError("cannot load " + ModelFile + ": " + E.what());
  }
  kx::TKXGPNode<double>* program = executor.GPProgram();
  if (program == nullptr) throw TDataError(ModelFile + " holds no program");

  // The variables the program reads, and no function without a handler.
  std::set<std::string> variables;
  std::vector<kx::TKXGPNode<double>*> stack{program};
  while (!stack.empty()) {
    kx::TKXGPNode<double>* node = stack.back();
    stack.pop_back();
    const auto* instruction = node->Instruction();
    if (instruction == nullptr) throw TDataError(ModelFile + " holds an incomplete program");
    if (instruction->Operation() == kx::gpVariable) variables.insert(instruction->Name());
    if (instruction->Operation() == kx::gpFunction && !instruction->OnExecute()) {
      throw TDataError(ModelFile + " uses the function \"" + instruction->Name() +
                       "\", which kxsr does not know");
    }
    for (int c = 0; c < node->ChildCount(); ++c) stack.push_back(node->Child(c));
  }

  const TCsvTable table = TCsvTable::ReadFile(DataFile);
  kx::TKXGPBatchContext<double> cases(table.RowCount());
  for (const std::string& name : variables) {
    const int column = table.IndexOf(name);
    if (column < 0)
      throw TDataError(DataFile + ": no column \"" + name + "\", which the model uses");
    const auto& values = table.Column(static_cast<std::size_t>(column));
    std::copy(values.begin(), values.end(), cases.Column(name).begin());
  }
  std::vector<double> predictions(table.RowCount());
  try {
    executor.ExecuteBatch(cases, predictions);
  } catch (const std::exception& E) {
    throw TDataError("cannot run the model of " + ModelFile + ": " + E.what());
  }
  Out << "prediction\n";
  char text[32];
  for (double value : predictions) {
    std::snprintf(text, sizeof text, "%.15g\n", value);
    Out << text;
  }
}

}  // namespace kxsr
