// Runs the built vorlake-upgrade as a child process with a chosen
// environment, without a terminal or on a pseudo-terminal that the test
// answers, and gathers what it wrote.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace e2e {

struct ProcessResult {
  int exitCode = -1;  // -1 when the child did not exit normally
  std::string out;
  std::string err;
  std::string terminal;  // what appeared on the pseudo-terminal, if any
};

// The child's environment: the test's own, with these set (an empty value
// removes the variable).
using EnvChanges = std::map<std::string, std::string>;

struct ProcessSpec {
  std::vector<std::string> args;  // after the program name
  EnvChanges env;
  std::string cwd;  // empty: the test's current folder
  bool stderrReaderGone = false;  // stderr: a pipe whose reader has closed it
  std::string program;  // run instead of the converter (found on PATH), e.g. to wrap it
};

// Runs the converter in a new session without a controlling terminal, with
// stdin from /dev/null.
ProcessResult RunConverter(const ProcessSpec& job);

// Runs the converter with a pseudo-terminal as its controlling terminal
// (stdout and stderr still go to pipes). Each time `prompt` appears on the
// terminal, onPrompt is called and its result typed in; the run goes on
// until the child exits.
ProcessResult RunConverterOnTerminal(const ProcessSpec& job, const std::string& prompt,
                                     const std::function<std::string()>& onPrompt);

// A process that holds the named mutex until Release() or destruction.
class MutexHolder {
 public:
  explicit MutexHolder(const std::string& name, const std::string& runtimeDir);
  ~MutexHolder();
  bool holding() const { return pid_ > 0; }
  void Release();

 private:
  int pid_ = -1;
  int releaseFd_ = -1;
};

std::string ConverterPath();

}  // namespace e2e
