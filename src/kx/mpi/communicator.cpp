#include "kx/mpi/communicator.hpp"

#include <mpi.h>

#include <chrono>
#include <limits>
#include <string>
#include <thread>

#include "kx/core/consts.hpp"
#include "kx/mpi/detail/mpi_channel.hpp"

namespace kx {

namespace {

constexpr int kSpinPolls = 200;
constexpr std::chrono::microseconds kNap{50};

void Check(int Result, const char* Call) {
  if (Result == MPI_SUCCESS) return;
  char text[MPI_MAX_ERROR_STRING];
  int length = 0;
  MPI_Error_string(Result, text, &length);
  throw EGAException(std::string(Call) + " failed: " + std::string(text, length));
}

bool LayerRunning() {
  int initialized = 0;
  int finalized = 0;
  MPI_Initialized(&initialized);
  MPI_Finalized(&finalized);
  return initialized != 0 && finalized == 0;
}

void RequireLayer() {
  if (!LayerRunning()) throw EGAException("The message layer is not running (no TKXMPISession)");
}

}  // namespace

TKXMPISession::TKXMPISession(int& argc, char**& argv) {
  if (LayerRunning()) return;
  int provided = 0;
  // Only the thread that runs the component talks to the layer; the thread pool never does.
  Check(MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided), "MPI_Init_thread");
  FStarted = true;
  // Errors come back as results (turned into exceptions) instead of aborting the run.
  MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
}

TKXMPISession::~TKXMPISession() {
  if (FStarted && LayerRunning()) MPI_Finalize();
}

int TKXMPISession::Rank() const {
  int rank = 0;
  Check(MPI_Comm_rank(MPI_COMM_WORLD, &rank), "MPI_Comm_rank");
  return rank;
}

int TKXMPISession::Size() const {
  int size = 1;
  Check(MPI_Comm_size(MPI_COMM_WORLD, &size), "MPI_Comm_size");
  return size;
}

namespace {

std::unique_ptr<TKXCommunicator::TImpl> Duplicate(MPI_Comm Source) {
  RequireLayer();
  auto impl = std::make_unique<TKXCommunicator::TImpl>();
  Check(MPI_Comm_dup(Source, &impl->Comm), "MPI_Comm_dup");
  MPI_Comm_set_errhandler(impl->Comm, MPI_ERRORS_RETURN);
  return impl;
}

}  // namespace

TKXCommunicator::TKXCommunicator() : FImpl(Duplicate(MPI_COMM_WORLD)) {
  Check(MPI_Comm_rank(FImpl->Comm, &FRank), "MPI_Comm_rank");
  Check(MPI_Comm_size(FImpl->Comm, &FSize), "MPI_Comm_size");
}

TKXCommunicator::TKXCommunicator(const TKXCommunicator& Other)
    : FImpl(Duplicate(Other.FImpl->Comm)) {
  Check(MPI_Comm_rank(FImpl->Comm, &FRank), "MPI_Comm_rank");
  Check(MPI_Comm_size(FImpl->Comm, &FSize), "MPI_Comm_size");
}

TKXCommunicator::~TKXCommunicator() {
  if (!LayerRunning()) return;
  try {
    Flush();
  } catch (...) {
    // A destructor cannot report it; the channel goes anyway.
  }
  MPI_Comm_free(&FImpl->Comm);
}

void TKXCommunicator::Send(int Dest, int Tag, std::vector<std::byte> Bytes) {
  if (Bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw EGAException("Message of " + std::to_string(Bytes.size()) + " bytes is too long");
  // Reap the sends already delivered, so long runs keep no garbage.
  for (auto it = FImpl->Pending.begin(); it != FImpl->Pending.end();) {
    int done = 0;
    Check(MPI_Test(&it->Request, &done, MPI_STATUS_IGNORE), "MPI_Test");
    it = done != 0 ? FImpl->Pending.erase(it) : std::next(it);
  }
  TImpl::TPending& pending = FImpl->Pending.emplace_back();
  pending.Bytes = std::move(Bytes);
  Check(MPI_Isend(pending.Bytes.data(), static_cast<int>(pending.Bytes.size()), MPI_BYTE, Dest, Tag,
                  FImpl->Comm, &pending.Request),
        "MPI_Isend");
}

void TKXCommunicator::Flush() {
  while (!FImpl->Pending.empty()) {
    Check(MPI_Wait(&FImpl->Pending.front().Request, MPI_STATUS_IGNORE), "MPI_Wait");
    FImpl->Pending.pop_front();
  }
}

TKXCommunicator::TMessage TKXCommunicator::Receive(int Source, int Tag,
                                                   std::vector<std::byte>& Bytes) {
  // Polled rather than blocking: the layer's blocking wait spins on a core, which on a shared
  // machine the ranks' own work (and their wake-ups from sleeps) needs more. After a short
  // spin for quick replies the wait naps between polls.
  MPI_Status status;
  const int source = Source == kAny ? MPI_ANY_SOURCE : Source;
  const int tag = Tag == kAny ? MPI_ANY_TAG : Tag;
  for (int polls = 0;; ++polls) {
    int flag = 0;
    Check(MPI_Iprobe(source, tag, FImpl->Comm, &flag, &status), "MPI_Iprobe");
    if (flag != 0) break;
    if (polls >= kSpinPolls) std::this_thread::sleep_for(kNap);
  }
  int count = 0;
  Check(MPI_Get_count(&status, MPI_BYTE, &count), "MPI_Get_count");
  Bytes.resize(static_cast<std::size_t>(count));
  Check(MPI_Recv(Bytes.data(), count, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, FImpl->Comm,
                 MPI_STATUS_IGNORE),
        "MPI_Recv");
  return {status.MPI_SOURCE, status.MPI_TAG};
}

bool TKXCommunicator::Probe(int Source, int Tag) {
  int flag = 0;
  Check(MPI_Iprobe(Source == kAny ? MPI_ANY_SOURCE : Source, Tag == kAny ? MPI_ANY_TAG : Tag,
                   FImpl->Comm, &flag, MPI_STATUS_IGNORE),
        "MPI_Iprobe");
  return flag != 0;
}

std::int64_t TKXCommunicator::AllMax(std::int64_t Value) {
  std::int64_t result = 0;
  Check(MPI_Allreduce(&Value, &result, 1, MPI_INT64_T, MPI_MAX, FImpl->Comm), "MPI_Allreduce");
  return result;
}

}  // namespace kx
