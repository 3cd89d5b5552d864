// vorlake-upgrade NEW_INSTALLATION_DIR
//
// The Windows program gets the new installation folder as its whole command
// line, in the ANSI code page. Here the arguments are joined with single
// spaces into that command line, used exactly as passed but for the text
// encoding: the host hands arguments over in UTF-8, and the run reads its
// command line in the ANSI code page, as a Windows program started from a
// Unicode caller does. What the run did goes to stderr; nothing is written
// to stdout and the exit code is always 0.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/process_state.h"
#include "driver/run_report.h"
#include "driver/upgrade_run.h"
#include "platform/process.h"
#include "platform/text_codec.h"

namespace {

// An argument in UTF-8 is converted to the ANSI code page (a character the
// page lacks becomes "?", as Windows converts it). One that is not UTF-8
// came from a terminal that speaks the ANSI page already and stays as it is.
std::string ArgumentToAnsi(const std::string& arg) {
  return platform::Recode(arg, win::CP_UTF8, win::CP_ACP, win::MB_ERR_INVALID_CHARS);
}

std::string JoinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += ArgumentToAnsi(argv[i]);
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  platform::IgnoreBrokenPipes();
  if (argc < 2) {
    std::fputs("usage: vorlake-upgrade NEW_INSTALLATION_DIR (run inside $WINEPREFIX, else ~/.wine)\n",
               stderr);
    return 0;
  }
  // Whatever happens, the installer that started us must see success.
  try {
    std::string commandLine = JoinArguments(argc, argv);
    std::vector<std::string> lines;
    driver::RunUpgrade(commandLine.c_str(), driver::ModuleSteps(), &lines);
    driver::PublishRunReport(lines);
  } catch (...) {
    driver::PublishRunFailure();
  }
  // Released here, in the order their ties need, rather than by the
  // destructors of statics in whatever order those run.
  driver::ResetProcessState();
  return 0;
}
