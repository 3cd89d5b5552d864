// The Windows program: started by the installer with the new installation
// folder as its whole command line, which the run uses exactly as passed
// (quotes and blanks included). It has no console; what the run did goes to
// the report's log file. The exit code is always 0.
#include <string>
#include <vector>

#include "driver/process_state.h"
#include "driver/run_report.h"
#include "driver/upgrade_run.h"
#include "platform/gui_entry.h"

int RunGuiProgram(const char* commandLine) {
  // Whatever happens, the installer that started us must see success.
  try {
    std::vector<std::string> lines;
    driver::RunUpgrade(commandLine ? commandLine : "", driver::ModuleSteps(), &lines);
    driver::PublishRunReport(lines);
  } catch (...) {
    driver::PublishRunFailure();
  }
  driver::ResetProcessState();
  return 0;
}
