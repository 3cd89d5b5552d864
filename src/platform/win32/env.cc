#include "platform/env.h"

#include <string>

#include <windows.h>

// <windows.h> names MessageBoxA or MessageBoxW "MessageBox"; Env's own
// member of that name is meant below.
#undef MessageBox

namespace platform {
namespace {

std::u16string Widen(const std::string& text, win::UINT codePage) {
  int units = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  if (units <= 0) return {};
  std::u16string wide(static_cast<size_t>(units), u'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                        reinterpret_cast<::LPWSTR>(wide.data()), units);
  return wide;
}

}  // namespace

win::SYSTEMTIME Env::UtcNow() {
  ::SYSTEMTIME now{};
  ::GetSystemTime(&now);
  return win::SYSTEMTIME{now.wYear,   now.wMonth,  now.wDayOfWeek, now.wDay,
                         now.wHour,   now.wMinute, now.wSecond,    now.wMilliseconds};
}

uint64_t Env::TotalPhysicalMemory() {
  ::MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return ::GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
}

int Env::MessageBox(const std::string& text, const std::string& caption, win::UINT type,
                    win::UINT textCodePage) {
  // The texts are in textCodePage, which need not be the system's ANSI
  // page that MessageBoxA would assume, so the box gets them in UTF-16.
  std::u16string wideText = Widen(text, textCodePage);
  std::u16string wideCaption = Widen(caption, textCodePage);
  return ::MessageBoxW(nullptr, reinterpret_cast<::LPCWSTR>(wideText.c_str()),
                       reinterpret_cast<::LPCWSTR>(wideCaption.c_str()), type);
}

}  // namespace platform
