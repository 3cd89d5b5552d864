// The COM-shaped interfaces of structured storage: reference-counted
// storages, streams and enumerators with HRESULT results, as the Windows API
// has them. The compound-file engine implements them and its callers speak
// only these, so a Win32 build can put the system's own interfaces behind the
// same names.
#pragma once

#include <cstdint>

#include "base/win_types.h"

namespace win {

// Access and sharing modes (STGM_*).
constexpr DWORD STGM_DIRECT = 0x00000000;
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x00000030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr DWORD STGM_CREATE = 0x00001000;
constexpr DWORD STGM_FAILIFTHERE = 0x00000000;
constexpr DWORD STGM_TRANSACTED = 0x00010000;

// Element types reported by Stat and the enumerator (STGTY_*).
constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STGTY_ROOT = 5;

constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;
constexpr DWORD STGC_DEFAULT = 0;

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct CLSID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};

// What Stat and the enumerator hand out. pwcsName is allocated for the
// caller, who frees it with CoTaskMemFree.
struct STATSTG {
  char16_t* pwcsName;
  DWORD type;
  ULONGLONG cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

class IUnknownLike {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknownLike() = default;
};

class IStream : public IUnknownLike {
 public:
  // Reads up to cb bytes; *pcbRead gets the count actually read (fewer at
  // the end of the stream). S_OK also for a short read.
  virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
  virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
  virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) = 0;
  virtual HRESULT SetSize(ULONGLONG newSize) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
};

class IEnumSTATSTG : public IUnknownLike {
 public:
  // Hands out up to celt elements; S_FALSE when fewer than celt remained.
  virtual HRESULT Next(ULONG celt, STATSTG* elements, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
};

class IStorage : public IUnknownLike {
 public:
  virtual HRESULT CreateStream(const char16_t* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                               IStream** stream) = 0;
  virtual HRESULT OpenStream(const char16_t* name, void* reserved1, DWORD mode, DWORD reserved2,
                             IStream** stream) = 0;
  virtual HRESULT CreateStorage(const char16_t* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                IStorage** storage) = 0;
  virtual HRESULT OpenStorage(const char16_t* name, IStorage* priority, DWORD mode, void* exclude,
                              DWORD reserved, IStorage** storage) = 0;
  virtual HRESULT EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                               IEnumSTATSTG** enumerator) = 0;
  virtual HRESULT DestroyElement(const char16_t* name) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
};

}  // namespace win
