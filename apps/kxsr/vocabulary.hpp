#pragma once

#include <cmath>
#include <cstdint>
#include <kx/kxevo.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kxsr {

// The operations a formula may use. Division, logarithm, square root and power are the
// plain mathematical ones: where they are undefined a program yields NaN or infinity and
// its fitness is the worst, so the printed formula always computes what the program does.
enum class TOp : std::uint8_t {
  Add,
  Sub,
  Mul,
  Div,
  Pow,
  Sin,
  Cos,
  Tan,
  Exp,
  Log,
  Sqrt,
  Square,
  Cube,
  Inv,
  Abs,
  Tanh
};

struct TFunctionInfo {
  std::string_view Name;
  int Arity;
  TOp Op;
  std::string_view Comment;
};

// Every function kxsr knows, in the order of --functions' help.
std::span<const TFunctionInfo> KnownFunctions() noexcept;
// The function called Name (exact, lower case), or nullptr.
const TFunctionInfo* FindFunction(std::string_view Name) noexcept;
// The function list used when none is given.
inline constexpr std::string_view kDefaultFunctions = "add,sub,mul,div,sin,cos,exp,log,sqrt";

// The value of Op for arguments A (and B for a binary one).
double Apply(TOp Op, double A, double B) noexcept;
// The partial derivatives of Op at (A, B); DB is 0 for a unary one.
void Partials(TOp Op, double A, double B, double& DA, double& DB) noexcept;

// The constant instruction's own value: it marks a node whose constant has not been drawn
// yet (a node the initializer or a mutation just created).
inline bool IsUndrawnConstant(double Value) noexcept { return std::isnan(Value); }

// Fills Set with the functions named in Functions (in that order), one variable per name of
// Variables and one ephemeral random constant; returns the constant's name, the first of
// "const", "const1", ... that no variable takes. Every function gets an OnExecute and an
// OnExecuteBatch handler. TDataError for an unknown function or a variable named like a
// selected function (names compare ignoring letter case, as in instruction sets).
std::string AddInstructions(kx::TKXGPFloatInstructions& Set,
                            const std::vector<std::string>& Functions,
                            const std::vector<std::string>& Variables);
// Adds every known function with its handlers: the vocabulary a saved model may use.
void AddAllFunctions(kx::TKXGPFloatInstructions& Set);

// The function info of a function node's instruction, or nullptr for a terminal or a name
// kxsr does not know.
const TFunctionInfo* FunctionOf(const kx::TKXGPNode<double>& Node) noexcept;

// Splits "a,b,c" into its non-empty, trimmed items.
std::vector<std::string> SplitList(std::string_view Text);

}  // namespace kxsr
