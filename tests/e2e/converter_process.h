// Runs the built vorlake-upgrade as a child process with a chosen
// environment, without a terminal or on a pseudo-terminal that the test
// answers, and gathers what it wrote.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/sync.h"
#include "test_support.h"

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

// The environment of a run in that prefix, with its own lock and home
// folders and no locale (so code page 936).
EnvChanges PrefixEnv(const std::string& prefix, const std::string& runtimeDir, const std::string& home);
// Applies changes to this process's environment.
void ApplyEnv(const EnvChanges& changes);

// Runs the converter in a new session without a controlling terminal, with
// stdin from /dev/null.
ProcessResult RunConverter(const ProcessSpec& job);
// Starts it so, its output dropped, without waiting; its process id.
int StartConverter(const ProcessSpec& job);

// Runs the converter with a pseudo-terminal as its controlling terminal
// (stdout and stderr still go to pipes). Each time `prompt` appears on the
// terminal, onPrompt is called and its result typed in; the run goes on
// until the child exits.
ProcessResult RunConverterOnTerminal(const ProcessSpec& job, const std::string& prompt,
                                     const std::function<std::string()>& onPrompt);

// Holds the named mutex, as a running old program does, until Release() or
// destruction; the converters started meanwhile are other processes.
class MutexHolder {
 public:
  MutexHolder(const std::string& name, const std::string& runtimeDir)
      : runtime_("XDG_RUNTIME_DIR", runtimeDir), mutex_(win::CreateMutexA(nullptr, 1, name.c_str())) {}
  ~MutexHolder() { Release(); }
  bool holding() const { return mutex_ != nullptr; }
  void Release() {
    if (mutex_) win::CloseHandle(mutex_);
    mutex_ = nullptr;
  }

 private:
  testing_support::ScopedEnv runtime_;
  win::HANDLE mutex_;
};

std::string ConverterPath();

}  // namespace e2e
