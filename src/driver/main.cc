// vorlake-upgrade NEW_INSTALLATION_DIR
//
// The Windows program gets the new installation folder as its whole command
// line. Here the arguments are joined with single spaces into that command
// line, used exactly as passed. What the run did goes to stderr; nothing is
// written to stdout and the exit code is always 0.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/upgrade_run.h"
#include "platform/codepage.h"
#include "platform/report.h"

namespace {

std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

// The run's lines hold paths in the ANSI code page; the terminal reads UTF-8.
std::string AnsiToTerminal(const std::string& text) {
  if (text.empty()) return text;
  int units = win::MultiByteToWideChar(win::CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) return text;
  std::u16string wide(static_cast<size_t>(units), u'\0');
  win::MultiByteToWideChar(win::CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  int bytes = win::WideCharToMultiByte(win::CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return text;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  win::WideCharToMultiByte(win::CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

void PrintReport(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += AnsiToTerminal(line) + "\n";
  text += platform::FormatReport();
  if (!text.empty() && text.back() != '\n') text += '\n';
  std::fputs(text.c_str(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: vorlake-upgrade NEW_INSTALLATION_DIR (run inside $WINEPREFIX, else ~/.wine)\n",
               stderr);
    return 0;
  }
  // Whatever happens, the installer that started us must see success.
  try {
    std::string commandLine = JoinArguments(argc, argv);
    std::vector<std::string> lines;
    RunUpgrade(commandLine.c_str(), ModuleSteps(), &lines);
    PrintReport(lines);
  } catch (...) {
    std::fputs("vorlake-upgrade: the run stopped on an unexpected error\n", stderr);
  }
  return 0;
}
