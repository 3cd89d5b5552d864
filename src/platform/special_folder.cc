// SHGetSpecialFolderPathA/W: the Program Files folder.

#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/registry_file.h"
#include "platform/shell.h"
#include "platform/text_codec.h"

namespace win {
namespace {

// Folder ids carry flags (CSIDL_FLAG_CREATE and the like) in their high byte.
constexpr int kCsidlMask = 0x00FF;
constexpr char16_t kCurrentVersionKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kCurrentVersionKey32[] =
    u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kDefaultProgramFiles[] = u"C:\\Program Files";
constexpr char16_t kDefaultProgramFilesX86[] = u"C:\\Program Files (x86)";

// The first non-empty text value of the given names, up to its first NUL.
std::u16string ReadText(const platform::RegistryKey& key,
                        std::initializer_list<const char16_t*> names) {
  for (const char16_t* name : names) {
    const platform::RegistryValue* value = key.Value(name);
    std::u16string units;
    if (value == nullptr || !platform::RegistryValueUnits(*value, &units)) continue;
    units.resize(std::char_traits<char16_t>::length(units.c_str()));
    if (!units.empty()) return units;
  }
  return std::u16string();
}

// Read from the native key, not the 32-bit view: in a 64-bit prefix the
// native key names the x86 folder explicitly, and that is the one a 32-bit
// program is shown. The native "ProgramFilesDir" there is the 64-bit folder,
// which a 32-bit program never gets: without the x86 value it is shown the
// folder its own (Wow6432Node) view names, else the x86 folder's usual place.
std::u16string ProgramFilesFolder() {
  std::u16string folder;
  platform::RegistryFile file;
  const bool loaded = platform::LoadMachineRegistry(&file);
  const bool win64 = loaded && platform::IsWin64Prefix(file);
  if (loaded) {
    const platform::RegistryKey* key =
        platform::FindKey(file.root, platform::SplitKeyPath(kCurrentVersionKey));
    if (key != nullptr) {
      folder = win64 ? ReadText(*key, {u"ProgramFilesDir (x86)"})
                     : ReadText(*key, {u"ProgramFilesDir (x86)", u"ProgramFilesDir"});
    }
    const platform::RegistryKey* view =
        win64 ? platform::FindKey(file.root, platform::SplitKeyPath(kCurrentVersionKey32))
              : nullptr;
    if (folder.empty() && view != nullptr) folder = ReadText(*view, {u"ProgramFilesDir"});
  }
  if (folder.empty()) folder = win64 ? kDefaultProgramFilesX86 : kDefaultProgramFiles;
  // Callers append "\\..." to the folder; a stray backslash at the end of
  // the stored value (but not of a bare drive root) would double it.
  if (folder.size() > 3 && folder.back() == u'\\') folder.pop_back();
  return folder;
}

bool FolderFor(int csidl, std::u16string* folder) {
  if ((csidl & kCsidlMask) != CSIDL_PROGRAM_FILES) return false;
  *folder = ProgramFilesFolder();
  return true;
}

}  // namespace

BOOL SHGetSpecialFolderPathA(HWND owner, char* path, int csidl, BOOL create) {
  std::u16string folder;
  if (path == nullptr || !FolderFor(csidl, &folder)) return 0;
  // The terminator is converted too, so that it counts against MAX_PATH.
  const std::u16string_view name(folder.c_str());
  std::string ansi;
  if (platform::EncodeText(CP_ACP, std::u16string_view(name.data(), name.size() + 1), &ansi,
                           MAX_PATH) != platform::CodecStatus::kConverted)
    return 0;
  std::memcpy(path, ansi.data(), ansi.size());
  return 1;
}

BOOL SHGetSpecialFolderPathW(HWND owner, char16_t* path, int csidl, BOOL create) {
  std::u16string folder;
  if (path == nullptr || !FolderFor(csidl, &folder)) return 0;
  if (folder.size() + 1 > MAX_PATH) return 0;
  std::memcpy(path, folder.c_str(), (folder.size() + 1) * sizeof(char16_t));
  return 1;
}

}  // namespace win
