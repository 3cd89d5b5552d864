// A GUI program has no console, so the report goes to a log in the user's
// temporary folder. Each run replaces the log rather than appending to it:
// the converter runs once per upgrade, the latest run is the one a person
// asks about, and a replaced file never grows over repeated installs. The
// text is UTF-8 behind a byte-order mark, with CRLF line ends, so that
// Notepad shows the paths right whatever the ANSI code page.
#include "platform/report.h"

#include <windows.h>

#include <iterator>
#include <string>

namespace platform {
namespace {

constexpr wchar_t kLogName[] = L"vorlake-upgrade.log";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

std::wstring LogPathWide() {
  wchar_t folder[MAX_PATH + 1];
  DWORD n = ::GetTempPathW(static_cast<DWORD>(std::size(folder)), folder);
  if (n == 0 || n >= std::size(folder)) return {};
  std::wstring path(folder, n);
  if (path.back() != L'\\') path += L'\\';
  return path + kLogName;
}

}  // namespace

std::string ReportLogPath() {
  std::wstring wide = LogPathWide();
  if (wide.empty()) return {};
  int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), bytes,
                        nullptr, nullptr);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

void WriteReportText(const std::string& utf8Text) {
  std::wstring path = LogPathWide();
  if (path.empty()) return;
  std::string data = kUtf8Mark;
  for (char c : utf8Text) {
    if (c == '\n') data += '\r';
    data += c;
  }
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;  // the run's result does not depend on its log
  DWORD written = 0;
  ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  ::CloseHandle(h);
}

}  // namespace platform
