#include "compound_tree.h"

#include <cstdint>
#include <sstream>
#include <vector>

#include "base/com_ref.h"
#include "cfb/engine.h"
#include "platform/text_codec.h"

namespace testing_support {

std::string Utf8(const std::u16string& s) { return platform::FromUtf16(s, win::CP_UTF8); }
std::u16string Utf16(const std::string& s) { return platform::ToUtf16(s, win::CP_UTF8); }

std::vector<std::string> SplitTreePath(const std::string& path) {
  std::vector<std::string> parts;
  std::stringstream in(path);
  std::string part;
  while (std::getline(in, part, '/')) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

namespace {

void ReadInto(win::IStorage* storage, const std::string& prefix, StorageTree* tree) {
  win::ComRef<win::IEnumSTATSTG> e;
  if (storage->EnumElements(0, nullptr, 0, e.out()) != win::S_OK) return;
  win::STATSTG st;
  win::ULONG got = 0;
  while (e->Next(1, &st, &got) == win::S_OK) {
    std::u16string name = st.pwcsName;
    cfb::FreeName(st.pwcsName);
    std::string path = prefix + Utf8(name);
    if (st.type == win::STGTY_STORAGE) {
      (*tree)[path + "/"] = "";
      win::ComRef<win::IStorage> child;
      if (storage->OpenStorage(name.c_str(), nullptr, 0x10, nullptr, 0, child.out()) ==
          win::S_OK) {
        ReadInto(child.get(), path + "/", tree);
      } else {
        (*tree)[path + "/"] = kUnreadable;
      }
      continue;
    }
    win::ComRef<win::IStream> stream;
    std::string content;
    if (storage->OpenStream(name.c_str(), nullptr, 0x10, 0, stream.out()) != win::S_OK) {
      content = kUnreadable;
    } else {
      char buf[65536];
      win::ULONG n = 0;
      while (stream->Read(buf, sizeof buf, &n) == win::S_OK && n > 0) content.append(buf, n);
      if (content.size() != st.cbSize) content = kUnreadable;
    }
    (*tree)[path] = content;
  }
}

}  // namespace

StorageTree ReadStorage(win::IStorage* storage) {
  StorageTree tree;
  ReadInto(storage, "", &tree);
  return tree;
}

StorageTree ReadFileTree(const std::string& path, win::HRESULT* hr, win::DWORD mode) {
  win::ComRef<win::IStorage> root;
  *hr = cfb::OpenCompoundFile(path.c_str(), mode, root.out());
  if (*hr != win::S_OK) return {};
  return ReadStorage(root.get());
}

std::string DiffTrees(const StorageTree& got, const StorageTree& want) {
  std::string out;
  int shown = 0;
  auto note = [&](const std::string& what, const std::string& path) {
    if (shown++ < 8) out += what + " " + path + "\n";
  };
  for (const auto& [path, content] : want) {
    auto it = got.find(path);
    if (it == got.end()) {
      note("missing", path);
    } else if (it->second != content) {
      note("differs (got " + std::to_string(it->second.size()) + " bytes, want " +
               std::to_string(content.size()) + ")",
           path);
    }
  }
  for (const auto& [path, content] : got) {
    if (!want.count(path)) note("unexpected", path);
  }
  return out;
}

std::string Pattern(size_t n, unsigned seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

bool WriteTree(win::IStorage* root, const StorageTree& tree) {
  for (const auto& [path, content] : tree) {
    std::vector<std::string> parts = SplitTreePath(path);
    bool isStorage = path.back() == '/';
    std::vector<win::ComRef<win::IStorage>> chain;  // the storages on the way down
    win::IStorage* at = root;
    for (size_t i = 0; i + (isStorage ? 0 : 1) < parts.size(); ++i) {
      std::u16string name = Utf16(parts[i]);
      win::ComRef<win::IStorage>& next = chain.emplace_back();
      if (at->OpenStorage(name.c_str(), nullptr, 0x12, nullptr, 0, next.out()) != win::S_OK &&
          at->CreateStorage(name.c_str(), 0x1012, 0, 0, next.out()) != win::S_OK) {
        return false;
      }
      at = next.get();
    }
    if (isStorage) continue;
    win::ComRef<win::IStream> s;
    std::u16string name = Utf16(parts.back());
    win::ULONG written = 0;
    if (at->CreateStream(name.c_str(), 0x1012, 0, 0, s.out()) != win::S_OK ||
        s->Write(content.data(), static_cast<win::ULONG>(content.size()), &written) != win::S_OK ||
        written != content.size()) {
      return false;
    }
  }
  return true;
}

}  // namespace testing_support
