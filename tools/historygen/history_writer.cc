// Writes a described history through the compound-file engine, and the same
// tree as plain folders for other tools.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/com_ref.h"
#include "cfb/engine.h"
#include "history_builder.h"

namespace historygen {
namespace {

constexpr win::DWORD kCreateMode = win::STGM_CREATE | win::STGM_READWRITE | win::STGM_SHARE_EXCLUSIVE;

template <class T>
using Ref = win::ComRef<T>;

// UTF-8 to UTF-16 for element names (the generator's names are well formed).
std::u16string Utf16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    int len;
    if (c < 0x80) {
      cp = c, len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, len = 3;
    } else {
      cp = c & 0x07, len = 4;
    }
    for (int k = 1; k < len && i + k < s.size(); ++k) cp = cp << 6 | (s[i + k] & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 | cp >> 10));
      out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool WriteStream(win::IStorage* parent, const Stream& stream) {
  Ref<win::IStream> s;
  if (win::FAILED(parent->CreateStream(Utf16(stream.name).c_str(), kCreateMode, 0, 0, s.out())))
    return false;
  win::ULONG written = 0;
  if (stream.bytes.empty()) return true;
  return win::SUCCEEDED(s.get()->Write(stream.bytes.data(),
                                       static_cast<win::ULONG>(stream.bytes.size()), &written)) &&
         written == stream.bytes.size();
}

bool WriteChildren(win::IStorage* storage, const Storage& tree) {
  bool ok = true;
  for (const Stream& stream : tree.streams) ok = WriteStream(storage, stream) && ok;
  for (const Storage& child : tree.storages) {
    Ref<win::IStorage> c;
    if (win::FAILED(storage->CreateStorage(Utf16(child.name).c_str(), kCreateMode, 0, 0, c.out()))) {
      ok = false;
      continue;
    }
    ok = WriteChildren(c.get(), child) && ok;
  }
  return ok;
}

Storage* FindOrAdd(Storage& parent, const std::string& name) {
  for (Storage& s : parent.storages)
    if (s.name == name) return &s;
  return &parent.AddStorage(name);
}

}  // namespace

Storage& Storage::AddStorage(const std::string& childName) {
  storages.push_back(Storage{childName, {}, {}});
  return storages.back();
}

Storage& Storage::Add(const GenericTask& task) {
  return AddStream(TaskStreamName(task.LegacyId), EncodeTask(task));
}

Storage& Storage::Add(const BtTask& task) {
  return AddStream(TaskStreamName(task.LegacyId), EncodeTask(task));
}

Storage& Storage::Add(const EmuleTask& task) {
  return AddStream(TaskStreamName(task.LegacyId), EncodeTask(task));
}

Storage& Storage::AddCategory(const std::string& name, const std::string& folder) {
  return AddStream("CAT_STREAM", EncodeCategory(name, folder));
}

Storage& Storage::AddStream(const std::string& streamName, const std::string& bytes) {
  streams.push_back(Stream{streamName, bytes});
  return *this;
}

Storage& History::RunTasks() { return *FindOrAdd(root, "RunTasks"); }

Storage& History::Tree() { return *FindOrAdd(root, "History"); }

// The file is saved once, by the root's Commit: committing every storage of
// a direct file would rewrite the whole file once per storage.
bool WriteHistory(const History& history, const std::string& hostPath) {
  Ref<win::IStorage> root;
  if (win::FAILED(cfb::CreateCompoundFile(hostPath.c_str(), kCreateMode, root.out()))) return false;
  bool ok = WriteChildren(root.get(), history.root);
  return win::SUCCEEDED(root.get()->Commit(win::STGC_DEFAULT)) && ok;
}

bool WriteAsFolders(const Storage& storage, const std::string& hostDir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(fs::path(hostDir), ec);
  if (ec) return false;
  bool ok = true;
  for (const Stream& stream : storage.streams) {
    std::ofstream out(fs::path(hostDir + "/" + stream.name), std::ios::binary);
    out.write(stream.bytes.data(), static_cast<std::streamsize>(stream.bytes.size()));
    ok = out.good() && ok;
  }
  for (const Storage& child : storage.storages)
    ok = WriteAsFolders(child, hostDir + "/" + child.name) && ok;
  return ok;
}

}  // namespace historygen
