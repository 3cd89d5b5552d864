// cfbtool: looks inside compound files.
//   cfbtool ls FILE              every element with its path; streams with their size
//   cfbtool tree FILE            the element tree, indented
//   cfbtool cat FILE PATH        a stream's bytes to standard output
// Names are printed as UTF-8 and paths use "/" between names. In a name, "%",
// "/" and control characters are written as %XX (the hex of each byte), and an
// empty name as a lone "%", so every path that ls prints is one that cat reads.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/com_ref.h"
#include "cfb/engine.h"
#include "platform/process.h"

namespace {

template <class T>
using Ref = win::ComRef<T>;

std::string ToUtf8(const char16_t* s) {
  std::string out;
  for (size_t i = 0; s[i]; ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    uint32_t c = b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra) c = b & (0x3F >> extra);
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i) c = (c << 6) | (s[i] & 0x3F);
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

constexpr char kEscape = '%';
constexpr char kSeparator = '/';
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string EscapeName(const std::string& name) {
  if (name.empty()) return std::string(1, kEscape);
  std::string out;
  for (char ch : name) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (ch == kEscape || ch == kSeparator || b < kFirstPrintable || b == kDelete) {
      out += kEscape;
      out += kHexDigits[b >> 4];
      out += kHexDigits[b & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The inverse of EscapeName; false for a "%" not followed by two hex digits.
bool UnescapeName(const std::string& text, std::string* name) {
  name->clear();
  if (text.size() == 1 && text[0] == kEscape) return true;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kEscape) {
      *name += text[i];
      continue;
    }
    int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) return false;
    *name += static_cast<char>(high << 4 | low);
    i += 2;
  }
  return true;
}

constexpr win::DWORD kReadMode = win::STGM_READ | win::STGM_SHARE_DENY_WRITE;
constexpr win::DWORD kChildMode = win::STGM_READ | win::STGM_SHARE_EXCLUSIVE;

// Visits every element under storage, depth first, in directory order.
bool Walk(win::IStorage* storage, const std::string& prefix, int depth, bool tree) {
  Ref<win::IEnumSTATSTG> e;
  if (storage->EnumElements(0, nullptr, 0, e.out()) != win::S_OK) return false;
  bool ok = true;
  win::STATSTG st;
  win::ULONG got = 0;
  while (e->Next(1, &st, &got) == win::S_OK && got == 1) {
    std::string name = EscapeName(ToUtf8(st.pwcsName));
    bool isStorage = st.type == win::STGTY_STORAGE;
    if (tree) {
      std::string indent(2 * depth, ' ');
      if (isStorage) {
        printf("%s%s/\n", indent.c_str(), name.c_str());
      } else {
        printf("%s%s (%llu)\n", indent.c_str(), name.c_str(),
               static_cast<unsigned long long>(st.cbSize));
      }
    } else if (isStorage) {
      printf("%12s  %s%s/\n", "-", prefix.c_str(), name.c_str());
    } else {
      printf("%12llu  %s%s\n", static_cast<unsigned long long>(st.cbSize), prefix.c_str(),
             name.c_str());
    }
    if (isStorage) {
      Ref<win::IStorage> child;
      if (storage->OpenStorage(st.pwcsName, nullptr, kChildMode, nullptr, 0, child.out()) ==
          win::S_OK) {
        ok = Walk(child.get(), prefix + name + "/", depth + 1, tree) && ok;
      } else {
        fprintf(stderr, "cfbtool: cannot open storage %s%s\n", prefix.c_str(), name.c_str());
        ok = false;
      }
    }
    cfb::FreeName(st.pwcsName);
  }
  return ok;
}

int Cat(win::IStorage* root, const std::string& path) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find(kSeparator, start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) {
      std::string name;
      if (!UnescapeName(path.substr(start, slash - start), &name)) {
        fprintf(stderr, "cfbtool: bad %% escape in %s\n", path.c_str());
        return 2;
      }
      parts.push_back(FromUtf8(name));
    }
    start = slash + 1;
  }
  if (parts.empty()) {
    fprintf(stderr, "cfbtool: no stream named\n");
    return 2;
  }
  std::vector<win::IStorage*> held;
  win::IStorage* current = root;
  int status = 0;
  for (size_t i = 0; i + 1 < parts.size() && status == 0; ++i) {
    win::IStorage* next = nullptr;
    if (current->OpenStorage(parts[i].c_str(), nullptr, kChildMode, nullptr, 0, &next) !=
        win::S_OK) {
      status = 1;
      break;
    }
    held.push_back(next);
    current = next;
  }
  if (status == 0) {
    Ref<win::IStream> stream;
    if (current->OpenStream(parts.back().c_str(), nullptr, kChildMode, 0, stream.out()) !=
        win::S_OK) {
      status = 1;
    } else {
      std::vector<char> buf(1 << 20);
      win::ULONG got = 0;
      while (true) {
        if (stream->Read(buf.data(), static_cast<win::ULONG>(buf.size()), &got) != win::S_OK) {
          status = 1;
          break;
        }
        if (got == 0) break;
        fwrite(buf.data(), 1, got, stdout);
      }
    }
  }
  for (auto it = held.rbegin(); it != held.rend(); ++it) (*it)->Release();
  if (status != 0) fprintf(stderr, "cfbtool: cannot read %s\n", path.c_str());
  return status;
}

int Usage() {
  fprintf(stderr,
          "usage: cfbtool ls FILE\n"
          "       cfbtool tree FILE\n"
          "       cfbtool cat FILE PATH/TO/STREAM\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string command = argv[1];
  bool cat = command == "cat";
  if ((cat && argc != 4) || (!cat && argc != 3)) return Usage();
  if (!cat && command != "ls" && command != "tree") return Usage();
  platform::SetBinaryStdout();  // cat's bytes unchanged, and ls's lines end as on POSIX
  Ref<win::IStorage> root;
  win::HRESULT hr =
      cfb::OpenCompoundFile(platform::HostPathFromArgument(argv[2]).c_str(), kReadMode, root.out());
  if (hr != win::S_OK) {
    fprintf(stderr, "cfbtool: cannot open %s (0x%08X)\n", argv[2], static_cast<unsigned>(hr));
    return 1;
  }
  if (cat) return Cat(root.get(), argv[3]);
  if (command == "tree") printf("/\n");
  return Walk(root.get(), "", command == "tree" ? 1 : 0, command == "tree") ? 0 : 1;
}
