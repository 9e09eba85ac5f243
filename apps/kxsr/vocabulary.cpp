#include "vocabulary.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "csv_table.hpp"

namespace kxsr {
namespace {

constexpr std::array<TFunctionInfo, 16> kFunctions{{
    {"add", 2, TOp::Add, "a + b"},
    {"sub", 2, TOp::Sub, "a - b"},
    {"mul", 2, TOp::Mul, "a * b"},
    {"div", 2, TOp::Div, "a / b"},
    {"pow", 2, TOp::Pow, "a ^ b"},
    {"sin", 1, TOp::Sin, "sin(a)"},
    {"cos", 1, TOp::Cos, "cos(a)"},
    {"tan", 1, TOp::Tan, "tan(a)"},
    {"exp", 1, TOp::Exp, "exp(a)"},
    {"log", 1, TOp::Log, "natural logarithm of a"},
    {"sqrt", 1, TOp::Sqrt, "square root of a"},
    {"square", 1, TOp::Square, "a ^ 2"},
    {"cube", 1, TOp::Cube, "a ^ 3"},
    {"inv", 1, TOp::Inv, "1 / a"},
    {"abs", 1, TOp::Abs, "|a|"},
    {"tanh", 1, TOp::Tanh, "tanh(a)"},
}};

template <TOp Op>
inline double Eval(double a, double b) noexcept {
  if constexpr (Op == TOp::Add) return a + b;
  if constexpr (Op == TOp::Sub) return a - b;
  if constexpr (Op == TOp::Mul) return a * b;
  if constexpr (Op == TOp::Div) return a / b;
  if constexpr (Op == TOp::Pow) return std::pow(a, b);
  if constexpr (Op == TOp::Sin) return std::sin(a);
  if constexpr (Op == TOp::Cos) return std::cos(a);
  if constexpr (Op == TOp::Tan) return std::tan(a);
  if constexpr (Op == TOp::Exp) return std::exp(a);
  if constexpr (Op == TOp::Log) return std::log(a);
  if constexpr (Op == TOp::Sqrt) return std::sqrt(a);
  if constexpr (Op == TOp::Square) return a * a;
  if constexpr (Op == TOp::Cube) return a * a * a;
  if constexpr (Op == TOp::Inv) return 1.0 / a;
  if constexpr (Op == TOp::Abs) return std::fabs(a);
  if constexpr (Op == TOp::Tanh) return std::tanh(a);
}

template <TOp Op>
void AddFunction(kx::TKXGPFloatInstructions& Set, const TFunctionInfo& Info) {
  auto* instruction = Set.Add();
  instruction->SetName(std::string(Info.Name));
  instruction->SetComment(std::string(Info.Comment));
  instruction->SetArity(Info.Arity);
  const bool binary = Info.Arity == 2;
  instruction->SetOnExecute([binary](kx::TKXObject*, kx::TKXGPNode<double>* Node,
                                     kx::TKXGPContext<double>* Context, double& Result) {
    const double a = Node->Child(0)->Execute(Context);
    Result = Eval<Op>(a, binary ? Node->Child(1)->Execute(Context) : 0.0);
  });
  instruction->SetOnExecuteBatch(
      [binary](kx::TKXObject*, kx::TKXGPNode<double>*, kx::TKXGPBatch<double>& Batch) {
        const double* a = Batch.Argument(0).data();
        double* result = Batch.Results().data();
        const std::size_t count = Batch.Count();
        if (binary) {
          const double* b = Batch.Argument(1).data();
          for (std::size_t k = 0; k < count; ++k) result[k] = Eval<Op>(a[k], b[k]);
        } else {
          for (std::size_t k = 0; k < count; ++k) result[k] = Eval<Op>(a[k], 0.0);
        }
      });
}

// The instruction adders by operation, in TOp order.
using TAdder = void (*)(kx::TKXGPFloatInstructions&, const TFunctionInfo&);
constexpr std::array<TAdder, 16> kAdders{
    &AddFunction<TOp::Add>,  &AddFunction<TOp::Sub>,  &AddFunction<TOp::Mul>,
    &AddFunction<TOp::Div>,  &AddFunction<TOp::Pow>,  &AddFunction<TOp::Sin>,
    &AddFunction<TOp::Cos>,  &AddFunction<TOp::Tan>,  &AddFunction<TOp::Exp>,
    &AddFunction<TOp::Log>,  &AddFunction<TOp::Sqrt>, &AddFunction<TOp::Square>,
    &AddFunction<TOp::Cube>, &AddFunction<TOp::Inv>,  &AddFunction<TOp::Abs>,
    &AddFunction<TOp::Tanh>};

void AddFunction(kx::TKXGPFloatInstructions& Set, const TFunctionInfo& Info) {
  kAdders[static_cast<std::size_t>(Info.Op)](Set, Info);
}

bool SameName(std::string_view A, std::string_view B) noexcept {
  return std::equal(A.begin(), A.end(), B.begin(), B.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::span<const TFunctionInfo> KnownFunctions() noexcept { return kFunctions; }

const TFunctionInfo* FindFunction(std::string_view Name) noexcept {
  for (const auto& info : kFunctions) {
    if (info.Name == Name) return &info;
  }
  return nullptr;
}

double Apply(TOp Op, double A, double B) noexcept {
  switch (Op) {
    case TOp::Add:
      return Eval<TOp::Add>(A, B);
    case TOp::Sub:
      return Eval<TOp::Sub>(A, B);
    case TOp::Mul:
      return Eval<TOp::Mul>(A, B);
    case TOp::Div:
      return Eval<TOp::Div>(A, B);
    case TOp::Pow:
      return Eval<TOp::Pow>(A, B);
    case TOp::Sin:
      return Eval<TOp::Sin>(A, B);
    case TOp::Cos:
      return Eval<TOp::Cos>(A, B);
    case TOp::Tan:
      return Eval<TOp::Tan>(A, B);
    case TOp::Exp:
      return Eval<TOp::Exp>(A, B);
    case TOp::Log:
      return Eval<TOp::Log>(A, B);
    case TOp::Sqrt:
      return Eval<TOp::Sqrt>(A, B);
    case TOp::Square:
      return Eval<TOp::Square>(A, B);
    case TOp::Cube:
      return Eval<TOp::Cube>(A, B);
    case TOp::Inv:
      return Eval<TOp::Inv>(A, B);
    case TOp::Abs:
      return Eval<TOp::Abs>(A, B);
    case TOp::Tanh:
      return Eval<TOp::Tanh>(A, B);
  }
  return 0;
}

void Partials(TOp Op, double A, double B, double& DA, double& DB) noexcept {
  DB = 0;
  switch (Op) {
    case TOp::Add:
      DA = 1;
      DB = 1;
      return;
    case TOp::Sub:
      DA = 1;
      DB = -1;
      return;
    case TOp::Mul:
      DA = B;
      DB = A;
      return;
    case TOp::Div:
      DA = 1 / B;
      DB = -A / (B * B);
      return;
    case TOp::Pow: {
      const double value = std::pow(A, B);
      DA = B * std::pow(A, B - 1);
      DB = A > 0 ? value * std::log(A) : 0.0;
      return;
    }
    case TOp::Sin:
      DA = std::cos(A);
      return;
    case TOp::Cos:
      DA = -std::sin(A);
      return;
    case TOp::Tan: {
      const double c = std::cos(A);
      DA = 1 / (c * c);
      return;
    }
    case TOp::Exp:
      DA = std::exp(A);
      return;
    case TOp::Log:
      DA = 1 / A;
      return;
    case TOp::Sqrt:
      DA = 0.5 / std::sqrt(A);
      return;
    case TOp::Square:
      DA = 2 * A;
      return;
    case TOp::Cube:
      DA = 3 * A * A;
      return;
    case TOp::Inv:
      DA = -1 / (A * A);
      return;
    case TOp::Abs:
      DA = A < 0 ? -1.0 : 1.0;
      return;
    case TOp::Tanh: {
      const double t = std::tanh(A);
      DA = 1 - t * t;
      return;
    }
  }
  DA = 0;
}

std::string AddInstructions(kx::TKXGPFloatInstructions& Set,
                            const std::vector<std::string>& Functions,
                            const std::vector<std::string>& Variables) {
  std::vector<const TFunctionInfo*> selected;
  for (const auto& name : Functions) {
    const TFunctionInfo* info = FindFunction(name);
    if (info == nullptr) {
      std::string known;
      for (const auto& f : kFunctions) {
        if (!known.empty()) known += ',';
        known += f.Name;
      }
      throw TDataError("unknown function \"" + name + "\" (known: " + known + ")");
    }
    if (std::find(selected.begin(), selected.end(), info) == selected.end())
      selected.push_back(info);
  }
  if (selected.empty()) throw TDataError("no functions selected");
  for (const auto& variable : Variables) {
    for (const auto* info : selected) {
      if (SameName(variable, info->Name)) {
        throw TDataError("column \"" + variable + "\" has the name of the function \"" +
                         std::string(info->Name) + "\"; rename the column or drop the function");
      }
    }
  }
  std::string constant = "const";
  for (int n = 1; std::any_of(Variables.begin(), Variables.end(),
                              [&](const std::string& v) { return SameName(v, constant); });
       ++n) {
    constant = "const" + std::to_string(n);
  }
  Set.BeginUpdate();
  for (const auto* info : selected) AddFunction(Set, *info);
  for (const auto& variable : Variables) Set.Add()->SetName(variable);
  auto* erc = Set.Add();
  erc->SetName(constant);
  erc->SetComment("ephemeral random constant");
  erc->SetOperation(kx::gpConstant);
  erc->SetValue(std::nan(""));
  Set.EndUpdate();
  return constant;
}

void AddAllFunctions(kx::TKXGPFloatInstructions& Set) {
  for (const auto& info : kFunctions) AddFunction(Set, info);
}

const TFunctionInfo* FunctionOf(const kx::TKXGPNode<double>& Node) noexcept {
  const auto* instruction = Node.Instruction();
  if (instruction == nullptr || instruction->Operation() != kx::gpFunction) return nullptr;
  return FindFunction(instruction->Name());
}

std::vector<std::string> SplitList(std::string_view Text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= Text.size()) {
    std::size_t end = Text.find(',', start);
    if (end == std::string_view::npos) end = Text.size();
    std::string_view item = Text.substr(start, end - start);
    while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front())))
      item.remove_prefix(1);
    while (!item.empty() && std::isspace(static_cast<unsigned char>(item.back())))
      item.remove_suffix(1);
    if (!item.empty()) items.emplace_back(item);
    start = end + 1;
  }
  return items;
}

}  // namespace kxsr
