#pragma once

#include "compiled_program.hpp"
#include "dataset.hpp"

namespace kxsr {

// Fits the constants of Program to Data by Levenberg-Marquardt on the sum of squared
// errors, with the derivatives taken through the tree, for at most Iterations steps
// (each step evaluates the program and its derivatives once, plus once per rejected trial).
// The tree keeps its constants unless the fit lowered the error; returns the sum of squared
// errors of the constants it keeps (infinity when the program is not finite on Data).
// Deterministic: no random draws.
double FitConstants(TCompiledProgram& Program, const TDataset& Data, int Iterations);

}  // namespace kxsr
