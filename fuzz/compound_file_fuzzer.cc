// Opens an arbitrary file as a compound file, walks every storage and reads
// every stream. A file that opens is then changed and saved (a new stream in
// the root), and the saved file must open again with that stream intact:
// whatever the engine accepts it must also be able to write back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "cfb/engine.h"
#include "work_dir.h"

namespace {

constexpr int kMaxDepth = 32;
constexpr win::ULONG kChunk = 4096;
const char16_t kAdded[] = u"fuzz added";
const char kPayload[] = "bytes written by the fuzzer";

template <typename T>
struct Ref {
  T* p = nullptr;
  ~Ref() {
    if (p) p->Release();
  }
};

void ReadAll(win::IStream* stream) {
  std::vector<char> buf(kChunk);
  win::ULONG got = 0;
  while (stream->Read(buf.data(), kChunk, &got) == win::S_OK && got > 0) {
  }
  win::ULONGLONG pos = 0;
  stream->Seek(0, win::STREAM_SEEK_SET, &pos);
  stream->Read(buf.data(), 16, &got);
}

void Walk(win::IStorage* storage, int depth) {
  win::STATSTG self;
  if (storage->Stat(&self, win::STATFLAG_DEFAULT) == win::S_OK) cfb::FreeName(self.pwcsName);
  if (depth > kMaxDepth) return;
  Ref<win::IEnumSTATSTG> e;
  if (storage->EnumElements(0, nullptr, 0, &e.p) != win::S_OK) return;
  win::STATSTG st;
  win::ULONG fetched = 0;
  while (e.p->Next(1, &st, &fetched) == win::S_OK && fetched == 1) {
    const win::DWORD mode = win::STGM_READ | win::STGM_SHARE_EXCLUSIVE;
    if (st.type == win::STGTY_STORAGE) {
      Ref<win::IStorage> child;
      if (storage->OpenStorage(st.pwcsName, nullptr, mode, nullptr, 0, &child.p) == win::S_OK) {
        Walk(child.p, depth + 1);
      }
    } else if (st.type == win::STGTY_STREAM) {
      Ref<win::IStream> child;
      if (storage->OpenStream(st.pwcsName, nullptr, mode, 0, &child.p) == win::S_OK) {
        ReadAll(child.p);
      }
    }
    cfb::FreeName(st.pwcsName);
  }
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out.flush());
}

void WriteBack(const std::string& path) {
  {
    Ref<win::IStorage> root;
    if (cfb::OpenCompoundFile(path.c_str(), win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE,
                              &root.p) != win::S_OK) {
      return;
    }
    Ref<win::IStream> s;
    if (root.p->CreateStream(kAdded, win::STGM_CREATE | win::STGM_READWRITE |
                                         win::STGM_SHARE_EXCLUSIVE,
                             0, 0, &s.p) != win::S_OK) {
      return;
    }
    win::ULONG written = 0;
    if (s.p->Write(kPayload, sizeof kPayload, &written) != win::S_OK) return;
    if (root.p->Commit(win::STGC_DEFAULT) != win::S_OK) return;
  }
  Ref<win::IStorage> root;
  if (cfb::OpenCompoundFile(path.c_str(), win::STGM_READ | win::STGM_SHARE_EXCLUSIVE, &root.p) !=
      win::S_OK) {
    abort();  // the engine saved a file it cannot read
  }
  Ref<win::IStream> s;
  if (root.p->OpenStream(kAdded, nullptr, win::STGM_READ | win::STGM_SHARE_EXCLUSIVE, 0, &s.p) !=
      win::S_OK) {
    abort();
  }
  char back[sizeof kPayload] = {};
  win::ULONG got = 0;
  if (s.p->Read(back, sizeof back, &got) != win::S_OK || got != sizeof back ||
      memcmp(back, kPayload, sizeof back) != 0) {
    abort();
  }
  Walk(root.p, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = (fuzzwork::WorkDir("cfb-fuzz-") / "input.cfb").string();
  if (!WriteFile(path, data, size)) abort();
  bool opened = false;
  {
    Ref<win::IStorage> root;
    if (cfb::OpenCompoundFile(path.c_str(), win::STGM_READ | win::STGM_SHARE_EXCLUSIVE, &root.p) ==
        win::S_OK) {
      opened = true;
      Walk(root.p, 0);
    }
  }
  if (opened) WriteBack(path);
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return 0;
}
