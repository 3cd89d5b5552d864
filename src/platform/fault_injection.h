// A switch for tests that makes file writes fail part way, as a full disk
// or a lost device would. While it is set, each file that
// ReplaceFileAtomically or the compound-file engine's save writes gets at
// most the given number of bytes down before its write fails. It is off
// unless a test turns it on, and costs one comparison per write when off.
// Header only, so the compound-file engine, which sits below the platform
// library, can check it too.
#pragma once

#include <atomic>
#include <cstddef>
#include <limits>

namespace platform {

constexpr size_t kNoWriteFault = std::numeric_limits<size_t>::max();

inline std::atomic<size_t>& WriteFaultLimit() {
  static std::atomic<size_t> limit{kNoWriteFault};
  return limit;
}

// Every later file write fails after failAfterBytes bytes of it;
// kNoWriteFault turns the fault off again.
inline void SetWriteFaultForTesting(size_t failAfterBytes) { WriteFaultLimit() = failAfterBytes; }

// How many of the n bytes that a file write wants to put at offset (the
// bytes of this file written so far) may go down; fewer than n means the
// write fails after them.
inline size_t WritableBytes(size_t offset, size_t n) {
  const size_t limit = WriteFaultLimit().load(std::memory_order_relaxed);
  if (limit == kNoWriteFault) return n;
  if (offset >= limit) return 0;
  return n < limit - offset ? n : limit - offset;
}

}  // namespace platform
