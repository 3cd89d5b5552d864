// The version functions over version_resource.h. The caller's copy of the
// block is twice the resource and four bytes more, as on Windows: the upper
// half is where VerQueryValueA puts the ANSI copies of the texts it hands
// out, each at the same distance from the spare area's start as its UTF-16
// original is from the block's start, so no two copies overlap and each has
// room for its text (an ANSI character never takes more bytes than its
// UTF-16 form).

#include "platform/version.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/little_endian.h"
#include "platform/codepage.h"
#include "platform/env.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "platform/version_resource.h"

namespace win {

namespace {

constexpr BOOL kTrue = 1;
constexpr BOOL kFalse = 0;
// Written after the block, where Windows marks the copy as a 32-bit one.
constexpr char kSpareSignature[4] = {'F', 'E', '2', 'X'};
constexpr size_t kSignatureSize = sizeof kSpareSignature;

struct LocaleLanguage {
  std::string_view prefix;  // language, or language_territory
  uint16_t id;
};

// Longer prefixes first: the first match wins.
constexpr LocaleLanguage kLocaleLanguages[] = {
    {"zh_tw", 0x0404}, {"zh_hk", 0x0C04}, {"zh_mo", 0x1404}, {"zh_sg", 0x1004},
    {"en_gb", 0x0809}, {"pt_br", 0x0416}, {"zh", 0x0804},    {"en", 0x0409},
    {"ja", 0x0411},    {"ko", 0x0412},    {"de", 0x0407},    {"fr", 0x040C},
    {"es", 0x0C0A},    {"it", 0x0410},    {"ru", 0x0419},    {"pt", 0x0816},
};
// What a machine without a locale is taken for (as GetACP takes it).
constexpr uint16_t kLanguageWithoutLocale = 0x0804;
constexpr uint16_t kLanguageNeutral = 0x0000;
constexpr uint16_t kLanguageUserDefault = 0x0400;
constexpr uint16_t kLanguageEnglishUs = 0x0409;
constexpr uint16_t kSublanguageDefault = 0x0400;

uint16_t UserLanguage() {
  const char* value = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    value = std::getenv(name);
    if (value && *value) break;
    value = nullptr;
  }
  std::string locale = value ? value : "";
  for (char& c : locale) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (locale.empty() || locale == "c" || locale == "posix" || locale.rfind("c.", 0) == 0) {
    return kLanguageWithoutLocale;
  }
  for (const LocaleLanguage& l : kLocaleLanguages) {
    if (locale.rfind(l.prefix, 0) == 0) return l.id;
  }
  return kLanguageEnglishUs;
}

// The order in which Windows picks among the languages of a resource asked
// for without one: neutral, the user's language and its primary language,
// US English, and at last whichever comes first.
std::vector<uint16_t> PreferredLanguages() {
  uint16_t user = UserLanguage();
  return {kLanguageNeutral, kLanguageUserDefault, user,
          static_cast<uint16_t>(kSublanguageDefault | (user & 0x3FF)), kLanguageEnglishUs};
}

// A program file, read where the version lookup asks.
class FileSource : public platform::ImageSource {
 public:
  FileSource(platform::File& file, uint64_t size) : file_(file), size_(size) {}
  uint64_t size() const override { return size_; }
  bool Read(uint64_t offset, size_t n, unsigned char* out) override {
    size_t got = 0;
    return file_.ReadAt(offset, out, n, &got) == platform::IoStatus::kOk && got == n;
  }

 private:
  platform::File& file_;
  uint64_t size_;
};

// The version block of the file at path, copied out; false with the reason
// in the last error.
bool LoadBlock(const char* path, std::string* block) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::string host = platform::HostPathFromAnsi(path);
  platform::Env* env = platform::CurrentEnv();
  platform::FileInfo info;
  if (env->GetFileInfo(host, /*followLinks=*/true, &info) != platform::IoStatus::kOk ||
      !info.isFile) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  std::unique_ptr<platform::File> file;
  if (env->OpenFile(host, /*writable=*/false, &file) != platform::IoStatus::kOk ||
      file->Info(&info) != platform::IoStatus::kOk) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  // Only the pieces the lookup walks through are read, and then the block:
  // a program file of any size costs a few pages.
  FileSource source(*file, info.size);
  uint64_t offset;
  size_t size;
  if (!platform::FindVersionBlock(source, &offset, &size, PreferredLanguages())) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  block->resize(size);
  if (!source.Read(offset, size, reinterpret_cast<unsigned char*>(block->data()))) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  return true;
}

std::vector<std::u16string> SplitPath(const char* subBlock) {
  std::vector<std::u16string> parts;
  std::string text = subBlock ? subBlock : "";
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\\', pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) {  // empty components are skipped
      parts.push_back(platform::ToUtf16(std::string_view(text).substr(pos, end - pos)));
    }
    pos = end + 1;
  }
  return parts;
}

uint16_t BlockLength(const void* block) {
  return base::LoadLe16(block);
}

}  // namespace

DWORD GetFileVersionInfoSizeA(const char* path, DWORD* handle) {
  if (handle) *handle = 0;
  std::string block;
  if (!LoadBlock(path, &block)) return 0;
  return static_cast<DWORD>(2 * block.size() + kSignatureSize);
}

BOOL GetFileVersionInfoA(const char* path, DWORD handle, DWORD size, void* data) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kFalse;
  }
  std::string block;
  if (!LoadBlock(path, &block)) return kFalse;
  auto* out = static_cast<char*>(data);
  std::memcpy(out, block.data(), std::min<size_t>(size, block.size()));
  if (size >= block.size() + kSignatureSize) {
    std::memcpy(out + block.size(), kSpareSignature, kSignatureSize);
    size_t spareEnd = std::min<size_t>(size, 2 * block.size() + kSignatureSize);
    std::memset(out + block.size() + kSignatureSize, 0,
                spareEnd - block.size() - kSignatureSize);
  }
  return kTrue;
}

BOOL VerQueryValueA(const void* block, const char* subBlock, void** buffer, UINT* length) {
  if (!block || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kFalse;
  }
  const auto* base = static_cast<const unsigned char*>(block);
  const size_t blockLength = BlockLength(block);
  platform::VersionNode node;
  if (!platform::FindVersionNode(base, blockLength, SplitPath(subBlock), &node)) {
    if (length) *length = 0;
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return kFalse;
  }
  if (node.type != 1) {
    *buffer = const_cast<unsigned char*>(base + node.valueOffset);
    if (length) *length = static_cast<UINT>(node.valueBytes);
    return kTrue;
  }
  // Text: an ANSI copy, up to the first NUL, in the spare area.
  std::u16string text;
  for (size_t i = 0; i + 1 < node.valueBytes; i += 2) {
    char16_t c = base::LoadLe16(base + node.valueOffset + i);
    if (c == 0) break;
    text.push_back(c);
  }
  std::string ansi = platform::FromUtf16(text);
  auto* spare = const_cast<char*>(reinterpret_cast<const char*>(base)) + blockLength +
                kSignatureSize + node.valueOffset;
  size_t room = blockLength - node.valueOffset;
  if (room == 0) {
    static char empty[1] = {'\0'};
    *buffer = empty;
    if (length) *length = 0;
    return kTrue;
  }
  if (ansi.size() + 1 > room) ansi.resize(room - 1);
  std::memcpy(spare, ansi.data(), ansi.size());
  spare[ansi.size()] = '\0';
  *buffer = spare;
  // A node without a value (StringFileInfo, a StringTable) answers 0.
  if (length) *length = node.valueBytes == 0 ? 0 : static_cast<UINT>(ansi.size() + 1);
  return kTrue;
}

}  // namespace win
