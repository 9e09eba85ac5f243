#include "kx/host/parallel_for.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#if defined(KX_PARALLEL_TBB)
#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#endif

namespace kx {

namespace {

std::atomic<std::int32_t> gThreadCap{0};

// Keeps the first exception of a parallel run so it can be rethrown on the caller's thread.
class FirstError {
 public:
  void Capture() noexcept {
    std::lock_guard<std::mutex> lock(FMutex);
    if (!FError) FError = std::current_exception();
  }
  void Rethrow() const {
    if (FError) std::rethrow_exception(FError);
  }

 private:
  std::mutex FMutex;
  std::exception_ptr FError;
};

#if defined(KX_PARALLEL_TBB)

std::mutex gControlMutex;
std::unique_ptr<tbb::global_control> gControl;

void RunParallel(std::int32_t First, std::int32_t Last,
                 const std::function<void(std::int32_t)>& Body, FirstError& Error) {
  tbb::parallel_for(tbb::blocked_range<std::int32_t>(First, Last),
                    [&](const tbb::blocked_range<std::int32_t>& Range) {
                      for (std::int32_t i = Range.begin(); i != Range.end(); ++i) {
                        try {
                          Body(i);
                        } catch (...) {
                          Error.Capture();
                        }
                      }
                    });
}

#else

void RunParallel(std::int32_t First, std::int32_t Last,
                 const std::function<void(std::int32_t)>& Body, FirstError& Error) {
  const std::int32_t count = Last - First;
  std::int32_t threads = gThreadCap.load();
  if (threads <= 0)
    threads = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
  threads = std::min(threads, count);
  std::atomic<std::int32_t> next{First};
  auto worker = [&] {
    for (std::int32_t i = next.fetch_add(1); i < Last; i = next.fetch_add(1)) {
      try {
        Body(i);
      } catch (...) {
        Error.Capture();
      }
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(threads - 1));
  for (std::int32_t t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (auto& thread : pool) thread.join();
}

#endif

}  // namespace

void ParallelFor(std::int32_t First, std::int32_t Last,
                 const std::function<void(std::int32_t)>& Body) {
  if (Last <= First) return;
  FirstError error;
  RunParallel(First, Last, Body, error);
  error.Rethrow();
}

void SetParallelThreads(std::int32_t Count) {
  gThreadCap.store(std::max<std::int32_t>(Count, 0));
#if defined(KX_PARALLEL_TBB)
  std::lock_guard<std::mutex> lock(gControlMutex);
  gControl.reset();
  if (Count > 0) {
    gControl = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                     static_cast<std::size_t>(Count));
  }
#endif
}

std::int32_t ParallelThreads() noexcept { return gThreadCap.load(); }

}  // namespace kx
