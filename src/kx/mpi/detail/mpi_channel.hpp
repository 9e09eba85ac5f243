#pragma once

// The message layer's own types, seen by the module's sources only.

#include <mpi.h>

#include <cstddef>
#include <list>
#include <vector>

#include "kx/mpi/communicator.hpp"

namespace kx {

struct TKXCommunicator::TImpl {
  MPI_Comm Comm = MPI_COMM_NULL;
  /// Sends still in flight, with the bytes they read from.
  struct TPending {
    MPI_Request Request;
    std::vector<std::byte> Bytes;
  };
  std::list<TPending> Pending;
};

}  // namespace kx
