// The private-profile functions over IniDocument: the file is read whole on
// every call (no cache, so a write is seen by the next read at once) and
// written back in one step through ReplaceFileAtomically.

#include "platform/profile.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/little_endian.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/ini_document.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

namespace win {

namespace {

using platform::CurrentEnv;
using platform::FileInfo;
using platform::IoStatus;

// The owner's write permission, whose absence marks a file read-only.
constexpr uint32_t kOwnerWrite = 0200;

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;

using AnsiDocument = platform::IniDocument<char>;
using WideDocument = platform::IniDocument<char16_t>;

// A UTF-16LE file announces itself with these two bytes; any other file,
// one with a UTF-8 signature included, is ANSI text.
constexpr unsigned char kUtf16LeBom[] = {0xFF, 0xFE};

// Looked up on every call: the ANSI code page follows the locale, which a
// process (a test, say) may change between calls.
platform::LeadBytes AnsiLeadBytes() { return platform::LeadBytesForCodePage(GetACP()); }

// Without a file name the profile functions read the system's own win.ini.
constexpr char kSystemProfile[] = "win.ini";
// Windows keeps a value's length in 16 bits: of a longer value only the
// length modulo 65536 is read (65537 characters give the first one).
constexpr size_t kValueLengthMask = 0xFFFF;

// A bare file name is looked up in the Windows folder, as Windows does.
std::string HostPath(const char* path) {
  std::string p(path ? path : kSystemProfile);
  if (p.find_first_of("\\/:") == std::string::npos) p = "C:\\windows\\" + p;
  return platform::HostPathFromAnsi(p.c_str());
}

// One profile file as loaded for one call, in whichever text form it has;
// every argument and result crosses this class in ANSI.
class ProfileFile {
 public:
  explicit ProfileFile(const char* path) : host_(HostPath(path)) { Load(); }
  ProfileFile(const ProfileFile&) = delete;  // the document points at lead_
  ProfileFile& operator=(const ProfileFile&) = delete;

  bool exists() const { return exists_; }
  bool readable() const { return readable_; }
  const std::string& host() const { return host_; }

  std::optional<std::string> GetValue(const char* section, const char* key) const {
    if (wide_) {
      auto v = wide_->GetValue(platform::ToUtf16(section), platform::ToUtf16(key));
      if (!v) return std::nullopt;
      return platform::FromUtf16(*v);
    }
    return ansi_->GetValue(section, key);
  }

  std::vector<std::string> SectionNames() const {
    if (!wide_) return ansi_->SectionNames();
    std::vector<std::string> out;
    for (const auto& name : wide_->SectionNames()) out.push_back(platform::FromUtf16(name));
    return out;
  }

  std::vector<std::string> KeyNames(const char* section) const {
    if (!wide_) return ansi_->KeyNames(section);
    std::vector<std::string> out;
    for (const auto& name : wide_->KeyNames(platform::ToUtf16(section)))
      out.push_back(platform::FromUtf16(name));
    return out;
  }

  // key null deletes the section, value null the key. True when the text
  // changed.
  bool Edit(const char* section, const char* key, const char* value) {
    if (wide_) {
      std::u16string s = platform::ToUtf16(section);
      if (!key) return wide_->DeleteSection(s);
      if (!value) return wide_->DeleteKey(s, platform::ToUtf16(key));
      return wide_->SetValue(s, platform::ToUtf16(key), platform::ToUtf16(value));
    }
    if (!key) return ansi_->DeleteSection(section);
    if (!value) return ansi_->DeleteKey(section, key);
    return ansi_->SetValue(section, key, value);
  }

  std::string Bytes() const {
    if (!wide_) return ansi_->text();
    std::string out(reinterpret_cast<const char*>(kUtf16LeBom), sizeof kUtf16LeBom);
    for (char16_t c : wide_->text()) {
      char unit[2];
      base::StoreLe16(unit, c);
      out.append(unit, sizeof unit);
    }
    return out;
  }

 private:
  void Load() {
    FileInfo info;
    exists_ = CurrentEnv()->GetFileInfo(host_, /*followLinks=*/true, &info) == IoStatus::kOk;
    std::string bytes;
    if (exists_ && info.isFile) {
      readable_ = platform::ReadFileToString(CurrentEnv(), host_, &bytes) == IoStatus::kOk;
      if (!readable_) bytes.clear();
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == kUtf16LeBom[0] &&
        static_cast<unsigned char>(bytes[1]) == kUtf16LeBom[1]) {
      std::u16string text;
      for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(base::LoadLe16(bytes.data() + i));
      }
      // A file that holds nothing but its signature gets a line break before
      // the first section written to it, as Windows writes it.
      if (text.empty()) text = u"\r\n";
      wide_.emplace(std::move(text));
      return;
    }
    ansi_.emplace(std::move(bytes), &lead_);
  }

  std::string host_;
  platform::LeadBytes lead_ = AnsiLeadBytes();
  bool exists_ = false;
  bool readable_ = false;
  std::optional<AnsiDocument> ansi_;
  std::optional<WideDocument> wide_;
};

bool ReadOnly(const std::string& host) {
  FileInfo info;
  return CurrentEnv()->GetFileInfo(host, /*followLinks=*/true, &info) == IoStatus::kOk &&
         (info.permissions & kOwnerWrite) == 0;
}

std::string TrimTrailingSpaces(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Copies at most size - 1 bytes and a terminator. A double-byte character
// that does not fit whole is left out rather than split in two.
DWORD CopyCut(std::string_view s, char* buffer, DWORD size) {
  size_t n = s.size();
  if (n > size - 1) {
    const platform::LeadBytes lead = AnsiLeadBytes();
    size_t limit = size - 1;
    size_t i = 0;
    while (i < limit) {
      size_t step = lead.IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
      if (i + step > limit) break;
      i += step;
    }
    n = i;
    SetLastError(ERROR_MORE_DATA);
  }
  std::memcpy(buffer, s.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

// A list of names, each followed by a NUL, the list by a second NUL. When
// it does not fit, the names are cut at size - 2 and closed with two NULs.
DWORD CopyList(const std::string& joined, char* buffer, DWORD size) {
  if (joined.size() + 1 <= size) {
    std::memcpy(buffer, joined.data(), joined.size());
    buffer[joined.size()] = '\0';
    if (joined.empty() && size >= 2) buffer[1] = '\0';
    return static_cast<DWORD>(joined.size());
  }
  SetLastError(ERROR_MORE_DATA);
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, joined.data(), size - 2);
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

// What GetPrivateProfileStringA copies out, before the cut to the buffer:
// the names of the sections, of the keys of one section, the value, or
// the default text.
std::string ProfileString(const ProfileFile& file, const char* section, const char* key,
                          const char* defaultValue, bool* list) {
  *list = !section || !key;
  if (!section || !key) {
    std::string joined;
    for (const auto& name : !section ? file.SectionNames() : file.KeyNames(section)) {
      joined += name;
      joined.push_back('\0');
    }
    return joined;
  }
  if (auto value = file.GetValue(section, key)) {
    if (value->size() > kValueLengthMask) value->resize(value->size() & kValueLengthMask);
    return *value;
  }
  return TrimTrailingSpaces(defaultValue);
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* buffer, DWORD size, const char* path) {
  if (!buffer || size == 0) return 0;
  ProfileFile file(path);
  if (!file.exists()) SetLastError(ERROR_FILE_NOT_FOUND);
  bool list = false;
  std::string text = ProfileString(file, section, key, defaultValue, &list);
  return list ? CopyList(text, buffer, size) : CopyCut(text, buffer, size);
}

// The value as GetPrivateProfileStringA gives it (the list of names, when
// the section or the key is null), read as a number; the default when that
// is empty, a key written empty included.
UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue,
                           const char* path) {
  ProfileFile file(path);
  if (!file.exists()) SetLastError(ERROR_FILE_NOT_FOUND);
  bool list = false;
  std::string text = ProfileString(file, section, key, "", &list);
  if (text.empty()) return static_cast<UINT>(defaultValue);
  return platform::ParseProfileInt(std::string_view(text.c_str()));
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path) {
  // (NULL, NULL, NULL) only flushes a cache there is not; it answers FALSE.
  // Any other call without a section fails as Windows fails it, before the
  // file is touched. Without a path Windows would write win.ini, which is
  // the system's and not ours to change.
  if (!section) {
    if (key || value) SetLastError(ERROR_FILE_NOT_FOUND);
    return kFalse;
  }
  if (!path) return kFalse;
  ProfileFile file(path);
  // A file marked read-only stays as it is, as on Windows (the replace
  // below would otherwise go through: it renames over the file).
  if (file.exists() && (!file.readable() || ReadOnly(file.host()))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return kFalse;
  }
  if (!file.exists()) {
    const std::string& host = file.host();
    size_t slash = host.rfind('/');
    std::string parent = slash == std::string::npos ? "" : host.substr(0, slash == 0 ? 1 : slash);
    FileInfo info;
    if (!parent.empty() &&
        !(CurrentEnv()->GetFileInfo(parent, /*followLinks=*/true, &info) == IoStatus::kOk &&
          info.isFolder)) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return kFalse;
    }
  }
  // A deletion that finds nothing leaves an existing file alone but still
  // creates a missing one, empty, as Windows does.
  if (!file.Edit(section, key, value) && file.exists()) return kTrue;
  if (!platform::ReplaceFileAtomically(file.host(), file.Bytes())) {
    SetLastError(ERROR_ACCESS_DENIED);
    return kFalse;
  }
  if (!file.exists()) SetLastError(ERROR_FILE_NOT_FOUND);
  return kTrue;
}

}  // namespace win
