#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kx {

/// The parallel run of one program on several processes (ranks): starts the message layer
/// when the program begins using it and shuts it down at the end. Construct one at the start
/// of main, on every rank, before any TKXCommunicator; it ends the layer only when it started
/// it, so an application that starts the layer itself keeps control of it.
class TKXMPISession {
 public:
  /// Starts the layer (when not yet started) with the program's arguments.
  TKXMPISession(int& argc, char**& argv);
  ~TKXMPISession();
  TKXMPISession(const TKXMPISession&) = delete;
  TKXMPISession& operator=(const TKXMPISession&) = delete;

  /// This process's rank among all processes of the run.
  int Rank() const;
  /// The number of processes of the run.
  int Size() const;

 private:
  bool FStarted = false;
};

/// A private channel between all ranks of the run, which no other channel's messages can
/// reach: each distributed object (evaluation, island model) duplicates the one it is given.
/// Messages are byte arrays with a tag; sends never block (the bytes are kept until
/// delivered), receives block until a message arrives. Every call raises EGAException when
/// the layer reports an error.
class TKXCommunicator {
 public:
  /// Any source or any tag, for Receive and Probe.
  static constexpr int kAny = -1;

  /// All ranks of the run (a duplicate of the world channel). Collective: every rank
  /// constructs it, in the same order as its other collective calls.
  TKXCommunicator();
  /// A duplicate of Other: collective as above.
  explicit TKXCommunicator(const TKXCommunicator& Other);
  ~TKXCommunicator();
  TKXCommunicator& operator=(const TKXCommunicator&) = delete;

  /// This rank within the channel.
  int Rank() const noexcept { return FRank; }
  /// The number of ranks in the channel.
  int Size() const noexcept { return FSize; }

  /// Sends Bytes to rank Dest with Tag without waiting for delivery.
  void Send(int Dest, int Tag, std::vector<std::byte> Bytes);
  /// Waits until every message sent so far has left this process's hands.
  void Flush();
  /// Where a received message came from.
  struct TMessage {
    int Source;  ///< The sending rank.
    int Tag;     ///< The message's tag.
  };
  /// Waits for a message from Source with Tag (kAny for either), stores its bytes in Bytes
  /// and returns its source and tag.
  TMessage Receive(int Source, int Tag, std::vector<std::byte>& Bytes);
  /// True when a message from Source with Tag (kAny for either) is waiting.
  bool Probe(int Source, int Tag);
  /// The largest of every rank's Value, on every rank (collective).
  std::int64_t AllMax(std::int64_t Value);

  /// The layer's own handle, defined only where the layer's headers are seen.
  struct TImpl;

 private:
  std::unique_ptr<TImpl> FImpl;
  int FRank = 0;
  int FSize = 1;
};

}  // namespace kx
