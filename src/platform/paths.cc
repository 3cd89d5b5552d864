// Windows paths to host paths, the way the prefix lays drives out: drive X:
// is <prefix>/dosdevices/x:, usually a symlink to ../drive_c. Windows names
// are case-insensitive, host names are not, so every component that exists
// is looked up in its folder as Windows would find it.

#include "platform/paths.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/text_codec.h"

namespace platform {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool Exists(const std::string& path) {
  FileInfo info;
  return CurrentEnv()->GetFileInfo(path, /*followLinks=*/false, &info) == IoStatus::kOk;
}

// Simple (one to one) Unicode case folding, code point by code point; bytes
// that are not UTF-8 stand for themselves.
std::u32string Fold(const std::string& name) {
  std::u32string out;
  const auto* s = reinterpret_cast<const uint8_t*>(name.data());
  int32_t length = static_cast<int32_t>(name.size());
  for (int32_t i = 0; i < length;) {
    int32_t start = i;
    UChar32 c;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out.push_back(0x110000 + s[start]);  // outside Unicode: matches only itself
      i = start + 1;
      continue;
    }
    out.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
  }
  return out;
}

// The entry of folder that is name, as Windows would find it: the exact
// name first, else the first entry (in name order, so the answer does not
// depend on the directory order) that matches without regard to case.
bool FindEntry(const std::string& folder, const std::string& name, std::string* found) {
  std::string base = folder.empty() ? "." : folder;
  if (Exists(base + "/" + name)) {
    *found = name;
    return true;
  }
  std::vector<std::string> names;
  if (CurrentEnv()->ListFolder(base, &names) != IoStatus::kOk) return false;
  const std::u32string wanted = Fold(name);
  bool any = false;
  for (const std::string& candidate : names) {
    if (Fold(candidate) == wanted && (!any || candidate < *found)) {
      *found = candidate;
      any = true;
    }
  }
  return any;
}

// Splits the part of a path after its root into components, dropping empty
// ones and "." and taking ".." back one step, as Windows does lexically
// (never above the root). A relative path may keep leading "..". Windows
// also trims names: a name followed by a separator loses one trailing dot,
// the last name all its trailing dots and spaces ("Downloads.\a.dat. "
// is Downloads\a.dat); names of dots alone are left to the rules above.
std::vector<std::string> Components(const std::string& rest, bool rooted) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= rest.size()) {
    size_t end = rest.find('/', pos);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(pos, end - pos);
    const bool last = end == rest.size();
    pos = end + 1;
    if (part.find_first_not_of('.') != std::string::npos) {
      if (!last) {
        if (part.back() == '.') part.pop_back();
      } else {
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      }
    }
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..") {
        parts.pop_back();
      } else if (!rooted) {
        parts.push_back(part);
      }
      continue;
    }
    parts.push_back(part);
  }
  return parts;
}

// The host folder a drive letter stands for. The dosdevices entry is a
// symlink; a relative target is taken from the dosdevices folder, as the
// file system would, so that C: reads as <prefix>/drive_c.
std::string DriveRoot(char16_t letter) {
  char drive = static_cast<char>(letter >= u'A' && letter <= u'Z' ? letter - u'A' + u'a' : letter);
  std::string devices = PrefixDir() + "/dosdevices";
  std::string entry = devices + "/" + drive + ":";
  std::string target;
  if (!CurrentEnv()->ReadLink(entry, &target)) {
    // A prefix whose dosdevices were never made still has its C: drive where
    // the prefix tools would link it.
    if (drive == 'c' && !Exists(entry) && Exists(PrefixDir() + "/drive_c")) {
      return PrefixDir() + "/drive_c";
    }
    return entry;
  }
  std::filesystem::path link(target);
  std::filesystem::path root = link.is_absolute() ? link : std::filesystem::path(devices) / link;
  std::string out = root.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// Characters that no Windows file or folder name may hold, besides the
// control characters below kFirstNameChar.
constexpr char16_t kInvalidNameChars[] = u"\"<>|*?";
constexpr char16_t kFirstNameChar = u' ';

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

}  // namespace

std::string PrefixDir() { return CurrentEnv()->Prefix(); }

std::string HostPathFromAnsi(const char* path) {
  if (!path) return {};
  return HostPathFromWide(ToUtf16(path).c_str());
}

std::string HostPathFromWide(const char16_t* path) {
  if (!path || !*path) return {};
  std::u16string text(path);
  // Windows refuses these characters in any file name (ERROR_INVALID_NAME),
  // so such a path names no file: a command line passed with its quotes
  // must not create folders whose names begin with a quote.
  if (text.find_first_of(kInvalidNameChars) != std::u16string::npos ||
      std::any_of(text.begin(), text.end(), [](char16_t c) { return c < kFirstNameChar; }))
    return {};
  std::string root;
  bool rooted = true;
  size_t restStart = 0;
  if (text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == u':') {
    root = DriveRoot(text[0]);
    restStart = 2;
  } else if (IsSeparator(text[0])) {
    root = "";  // the host root: the result starts with "/"
  } else {
    rooted = false;
  }
  std::string rest = FromUtf16(text.substr(restStart), win::CP_UTF8);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  const bool trailingSeparator = !rest.empty() && rest.back() == '/';

  std::string out = root;
  bool existing = true;  // the folder so far exists, so lookups make sense
  for (const std::string& part : Components(rest, rooted)) {
    std::string name = part;
    if (existing && part != "..") {
      std::string found;
      existing = FindEntry(rooted ? (out.empty() ? "/" : out) : out, part, &found);
      if (existing) name = found;
    }
    if (!out.empty() || rooted) out += "/";
    out += name;
  }
  if (out.empty()) return rooted ? (root.empty() ? "/" : root) : ".";
  if (trailingSeparator && out.back() != '/') out += "/";
  return out;
}

std::string ExistingEntryName(const std::string& hostFolder, const std::string& name) {
  std::string found;
  return FindEntry(hostFolder, name, &found) ? found : name;
}

FolderListing::FolderListing(const std::string& hostFolder) {
  std::vector<std::string> listed;
  if (CurrentEnv()->ListFolder(hostFolder.empty() ? "." : hostFolder, &listed) != IoStatus::kOk)
    return;
  for (std::string& name : listed) {
    // Of names that differ in letter case only, the first in name order
    // answers, as FindEntry decides.
    auto [it, added] = folded_.emplace(Fold(name), name);
    if (!added && name < it->second) it->second = name;
    names_.push_back(std::move(name));
  }
  exact_.insert(names_.begin(), names_.end());
}

std::string FolderListing::Find(const std::string& name) const {
  if (exact_.count(name)) return name;
  auto it = folded_.find(Fold(name));
  return it == folded_.end() ? name : it->second;
}

}  // namespace platform
