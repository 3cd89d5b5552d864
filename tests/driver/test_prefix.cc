#include "test_prefix.h"

#include "pegen/pe_builder.h"
#include "platform/text_codec.h"

namespace driver_test {

std::string TestPrefix::Host(const std::string& windowsPath) const { return prefixDir_.Host(windowsPath); }

void TestPrefix::WriteFile(const std::string& windowsPath, const std::string& data) const {
  testing_support::WriteFile(Host(windowsPath), data);
}

void TestPrefix::MakeDir(const std::string& windowsPath) const { testing_support::MakeDirs(Host(windowsPath)); }

void TestPrefix::WriteRegistry(bool hasKey, const std::string& keyLines) const {
  std::string reg = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n";
  reg += "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1700000000\n";
  reg += "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n\n";
  if (hasKey) {
    reg += "[Software\\\\Vorlake Network\\\\VorlakeOem\\\\vorlake_backwnd] 1700000000\n" + keyLines + "\n";
  }
  testing_support::WriteFile(path() + "/system.reg", reg);
}

void TestPrefix::InstallOldProgram(const std::string& windowsPath, const std::string& productVersion) const {
  pegen::PeSpec pe;
  pe.productVersion = productVersion;
  pe.withVersionResource = !productVersion.empty();
  WriteFile(windowsPath, pegen::BuildPe(pe));
  WriteRegistry(true, "\"Path\"=" + RegString(windowsPath) + "\n");
}

std::string RegString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Gbk(const std::string& utf8) {
  return platform::FromUtf16(platform::ToUtf16(utf8, win::CP_UTF8), win::CP_GBK);
}

}  // namespace driver_test
