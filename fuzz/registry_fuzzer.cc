// Parses arbitrary text as a registry file and looks up the keys and values
// that the install locator and the special folders read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry_file.h"

namespace {

void Lookup(const platform::RegistryFile& file, const char16_t* path, const char16_t* value) {
  const platform::RegistryKey* key = platform::FindKey(file.root, platform::SplitKeyPath(path));
  if (!key) return;
  if (const platform::RegistryValue* v = key->Value(value)) {
    std::u16string units;
    platform::RegistryValueUnits(*v, &units);
  }
  (void)key->Value(u"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::RegistryFile file;
  if (!platform::ParseRegistryText(
          std::string_view(reinterpret_cast<const char*>(data), size), &file)) {
    return 0;
  }
  for (const char16_t* prefix : {u"Software\\", u"Software\\Wow6432Node\\"}) {
    const std::u16string base(prefix);
    Lookup(file, (base + u"Vorlake Network\\VorlakeOem\\vorlake_backwnd").c_str(), u"Path");
    Lookup(file, (base + u"Microsoft\\Windows\\CurrentVersion").c_str(), u"ProgramFilesDir");
    Lookup(file, (base + u"Microsoft\\Windows\\CurrentVersion").c_str(),
           u"ProgramFilesDir (x86)");
  }
  Lookup(file, u"System\\CurrentControlSet\\Control\\Nls\\CodePage", u"ACP");
  Lookup(file, u"", u"");
  return 0;
}
