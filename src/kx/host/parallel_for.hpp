#pragma once

#include <cstdint>
#include <functional>

namespace kx {

/// The platform's parallel-for: runs Body(i) for every i in [First, Last) on the thread pool
/// and returns when all iterations have finished. Iterations may also run on the calling
/// thread. An exception thrown by an iteration is rethrown here (the first one caught; the
/// remaining iterations may or may not run). The back end is chosen when the library is
/// built: oneTBB, or a small pool of std::threads (used for ThreadSanitizer builds, since
/// TSan cannot see inside an uninstrumented libtbb).
void ParallelFor(std::int32_t First, std::int32_t Last,
                 const std::function<void(std::int32_t)>& Body);

/// Caps the number of threads ParallelFor uses (0 restores the default: one per core).
/// Results of the library never depend on it.
void SetParallelThreads(std::int32_t Count);
/// The cap set by SetParallelThreads, or 0 for the default.
std::int32_t ParallelThreads() noexcept;

}  // namespace kx
