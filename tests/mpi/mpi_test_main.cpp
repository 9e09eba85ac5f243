// Every rank runs every test, in the same order; only rank 0 reports.

#include <gtest/gtest.h>

#include "mpi_test_support.hpp"

namespace kx::testing {

static TKXCommunicator* gWorld = nullptr;
TKXCommunicator& World() { return *gWorld; }

}  // namespace kx::testing

int main(int argc, char** argv) {
  kx::TKXMPISession session(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  kx::TKXCommunicator world;
  kx::testing::gWorld = &world;
  if (world.Rank() != 0) {
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
  }
  return RUN_ALL_TESTS();
}
