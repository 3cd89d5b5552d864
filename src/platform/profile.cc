// The private-profile functions over IniDocument: the file is read whole on
// every call (no cache, so a write is seen by the next read at once) and
// written back in one step through ReplaceFileAtomically.

#include "platform/profile.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

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

// Windows keeps a value's length in 16 bits: of a longer value only the
// length modulo 65536 is read (65537 characters give the first one).
constexpr size_t kValueLengthMask = 0xFFFF;

// A bare file name is looked up in the Windows folder, as Windows does.
std::string HostPath(const char* path) {
  std::string p(path);
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

  // True when the text changed.
  bool SetValue(const char* section, const char* key, const char* value) {
    if (wide_) {
      return wide_->SetValue(platform::ToUtf16(section), platform::ToUtf16(key),
                             platform::ToUtf16(value));
    }
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

// The value as GetPrivateProfileStringA copies it out before the cut to the
// buffer, or the default text when the file, section or key is missing.
// The converter always names all three; a null one reads as missing.
std::string ProfileString(const char* section, const char* key, const char* defaultValue,
                          const char* path) {
  if (!section || !key || !path) return TrimTrailingSpaces(defaultValue);
  ProfileFile file(path);
  if (!file.exists()) SetLastError(ERROR_FILE_NOT_FOUND);
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
  return CopyCut(ProfileString(section, key, defaultValue, path), buffer, size);
}

// The value as GetPrivateProfileStringA gives it, read as a number; the
// default when that is empty, a key written empty included.
UINT GetPrivateProfileIntA(const char* section, const char* key, INT defaultValue,
                           const char* path) {
  std::string text = ProfileString(section, key, "", path);
  if (text.empty()) return static_cast<UINT>(defaultValue);
  return platform::ParseProfileInt(std::string_view(text.c_str()));
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* path) {
  // The converter never deletes: a null section, key or value is refused
  // before the file is touched, as is a write without a path (which would
  // go to the system's own win.ini).
  if (!section || !key || !value || !path) return kFalse;
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
  if (!file.SetValue(section, key, value) && file.exists()) return kTrue;
  if (!platform::ReplaceFileAtomically(file.host(), file.Bytes())) {
    SetLastError(ERROR_ACCESS_DENIED);
    return kFalse;
  }
  if (!file.exists()) SetLastError(ERROR_FILE_NOT_FOUND);
  return kTrue;
}

}  // namespace win
