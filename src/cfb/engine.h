// The entry points of the compound-file engine: opening and creating a
// compound file at a host path, and freeing the names it hands out. The
// converter itself goes through storage/storage.h, which maps Windows paths
// onto these; tools and tests that work on host files call them directly.
#pragma once

#include "base/com.h"
#include "base/win_types.h"

namespace cfb {

// Opens an existing compound file at a host path (UTF-8). The mode is a
// STGM_* combination: STGM_TRANSACTED files are never written, and a file
// opened without write access is opened read-only by the operating system.
// STGM_SHARE_EXCLUSIVE (and DENY_*) take an advisory lock that makes a second
// open of the same file, by any process, fail with STG_E_SHAREVIOLATION or
// STG_E_LOCKVIOLATION while the first is held.
win::HRESULT OpenCompoundFile(const char* hostPath, win::DWORD mode, win::IStorage** root);

// Creates a new, empty compound file (replacing one with STGM_CREATE). The
// folder must exist; nothing else is created.
win::HRESULT CreateCompoundFile(const char* hostPath, win::DWORD mode, win::IStorage** root);

// Frees names handed out by Stat and the enumerator.
void FreeName(void* p);

}  // namespace cfb
