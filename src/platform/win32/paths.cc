// On Windows a Windows path is the host path: only the separators change,
// to the one the rest of the program splits paths at.
#include "platform/paths.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

std::string FromWide(const wchar_t* text, int units) {
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, units, out.data(), bytes, nullptr, nullptr);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

}  // namespace

std::string PrefixDir() { return {}; }

std::string HostPathFromWide(const char16_t* path) {
  if (!path || !*path) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(path);
  return FromWide(wide, static_cast<int>(std::char_traits<char16_t>::length(path)));
}

std::string HostPathFromAnsi(const char* path) {
  if (!path || !*path) return {};
  int units = ::MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (units <= 1) return {};
  std::wstring wide(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), units);
  return FromWide(wide.data(), units - 1);
}

}  // namespace platform
