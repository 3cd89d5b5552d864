#include "platform/system.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/env.h"

namespace win {
namespace {

// The converter is a 32-bit program that is not large-address-aware, and
// for such a program GlobalMemoryStatus caps the physical sizes at 2 GB - 1.
constexpr uint64_t kPhysicalCap = 0x7FFFFFFFull;
// The user address space of a 32-bit process without /3GB: 2 GB less the
// 64 KB guard regions at both ends.
constexpr DWORD kTotalVirtual32 = 0x7FFE0000u;
constexpr DWORD kAvailVirtual32 = 0x7F000000u;

constexpr uint32_t kRandMultiplier = 214013u;
constexpr uint32_t kRandIncrement = 2531011u;
constexpr uint32_t kRandInitialSeed = 1u;

std::atomic<uint32_t> g_rand_state{kRandInitialSeed};

DWORD CapPhysical(uint64_t value) { return static_cast<DWORD>(std::min(value, kPhysicalCap)); }

// Free memory as the host sees it; 0 when unknown.
uint64_t AvailablePhysicalMemory() {
  long pages = sysconf(_SC_AVPHYS_PAGES);
  long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

}  // namespace

void GetSystemTime(SYSTEMTIME* time) {
  if (time != nullptr) *time = platform::CurrentEnv()->UtcNow();
}

void GlobalMemoryStatus(MEMORYSTATUS* status) {
  if (status == nullptr) return;
  uint64_t total = platform::CurrentEnv()->TotalPhysicalMemory();
  // The free size comes from the host while the total may come from a test
  // Env, so keep the two consistent rather than exact.
  uint64_t avail = std::min(AvailablePhysicalMemory(), total);
  status->dwLength = sizeof(MEMORYSTATUS);
  status->dwMemoryLoad = total == 0 ? 0 : static_cast<DWORD>(100 - avail * 100 / total);
  status->dwTotalPhys = CapPhysical(total);
  status->dwAvailPhys = CapPhysical(avail);
  // Without a page file of its own the commit limit is the memory itself.
  status->dwTotalPageFile = status->dwTotalPhys;
  status->dwAvailPageFile = status->dwAvailPhys;
  status->dwTotalVirtual = kTotalVirtual32;
  status->dwAvailVirtual = kAvailVirtual32;
}

int crt_rand() {
  uint32_t state = g_rand_state.load(std::memory_order_relaxed);
  uint32_t next;
  do {
    next = state * kRandMultiplier + kRandIncrement;
  } while (!g_rand_state.compare_exchange_weak(state, next, std::memory_order_relaxed));
  return static_cast<int>((next >> 16) & 0x7FFF);
}

void crt_srand(unsigned seed) { g_rand_state.store(seed, std::memory_order_relaxed); }

}  // namespace win
