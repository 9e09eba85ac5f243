#pragma once

#include <kx/kxevo.hpp>
#include <memory>

#include "dataset.hpp"

namespace kxsr {

// Makes a fitted model readable without making it worse: each constant in turn is
// replaced by 0, by the nearest integer or by its value at 4 significant digits (the
// first that keeps the training error within 0.1% of the model's, plus 1e-12 of the
// target's spread), then additions and subtractions of 0 and multiplications, divisions
// and powers by 1 are removed. Tree is rebuilt in place (the root may change).
void Simplify(std::unique_ptr<kx::TKXGPNode<double>>& Tree, const TDataset& Train);

}  // namespace kxsr
