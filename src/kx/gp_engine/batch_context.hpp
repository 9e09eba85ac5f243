#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kx/host/object.hpp"

namespace kx {

/// The values of a program's variables for many executions at once (every fitness case of a
/// run, say): one column per variable, each holding Count() values. Names match exactly
/// (case-sensitive), as in TKXGPContext. Columns are found by a linear search, meant for
/// the handful of variables a program has.
template <class T>
class TKXGPBatchContext : public TKXPersistent {
 public:
  /// A context of Count cases with no variables yet.
  explicit TKXGPBatchContext(std::size_t Count = 0);

  std::string ClassName() const override { return "TKXGPBatchContext"; }

  /// Number of cases.
  std::size_t Count() const noexcept { return FCount; }
  /// Resizes every column; added cases hold the value type's empty value (0, unassigned).
  void SetCount(std::size_t Value);

  /// The column of Name, added with Count() empty values when absent; write the cases into
  /// it. It stays valid until the count changes or the column is removed.
  std::span<T> Column(const std::string& Name);
  /// The values of Name's column, or nullptr when absent.
  const T* FindColumn(std::string_view Name) const noexcept;
  /// Removes Name's column; false when absent.
  bool RemoveColumn(std::string_view Name);
  /// Column names in the order they were added.
  const std::vector<std::string>& Names() const noexcept { return FNames; }
  /// Removes every column; the count stays.
  void Clear() noexcept;

  /// Copies the columns and count of another batch context; other sources raise the
  /// cannot-assign EConvertError.
  void Assign(TKXPersistent* Source) override;

  /// Changes whenever a column is added or removed or the count changes, and is never the
  /// same for two contexts, so an evaluator can tell whether what it remembers still holds.
  std::uint64_t Version() const noexcept { return FVersion; }

 private:
  int IndexOf(std::string_view Name) const noexcept;
  void Renew() noexcept;

  std::size_t FCount;
  std::vector<std::string> FNames;
  std::vector<std::vector<T>> FColumns;
  std::uint64_t FVersion = 0;
};

}  // namespace kx
