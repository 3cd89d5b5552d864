#include "converter_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "test_support.h"

namespace e2e {
namespace {

// A run that has not ended by then is stuck: it is killed and reported.
constexpr int kGiveUpMilliseconds = 120000;
constexpr int kPollMilliseconds = 20;

std::string ReadAllFrom(FILE* file) {
  std::string data;
  std::rewind(file);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) data.append(buffer, n);
  std::fclose(file);
  return data;
}

// In the child: environment, folder, output files; then exec. Never returns.
[[noreturn]] void ExecConverter(const ProcessSpec& job, int outFd, int errFd, bool nullStdin) {
  std::string program = ConverterPath();  // before the folder changes
  ApplyEnv(job.env);
  if (!job.cwd.empty() && chdir(job.cwd.c_str()) != 0) _exit(126);
  if (nullStdin) {
    int in = open("/dev/null", O_RDONLY);
    dup2(in, STDIN_FILENO);
  }
  dup2(outFd, STDOUT_FILENO);
  dup2(errFd, STDERR_FILENO);
  if (!job.program.empty()) program = job.program;
  std::vector<char*> argv{program.data()};
  std::vector<std::string> args = job.args;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  execvp(program.c_str(), argv.data());
  _exit(127);
}

int WaitForExit(pid_t pid, bool* ended) {
  int status = 0;
  pid_t r;
  do r = waitpid(pid, &status, *ended ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r == 0) return -1;
  *ended = true;
  return r > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Finish(pid_t pid, ProcessResult* result, int waited) {
  bool ended = false;
  for (; waited < kGiveUpMilliseconds; waited += kPollMilliseconds) {
    result->exitCode = WaitForExit(pid, &ended);
    if (ended) return;
    poll(nullptr, 0, kPollMilliseconds);
  }
  kill(pid, SIGKILL);
  ended = true;
  WaitForExit(pid, &ended);
  result->exitCode = -1;
  result->err += "\n[killed: the run did not end]\n";
}

}  // namespace

std::string ConverterPath() { return testing_support::BuildDir() + "/vorlake-upgrade"; }

EnvChanges PrefixEnv(const std::string& prefix, const std::string& runtimeDir, const std::string& home) {
  return {{"WINEPREFIX", prefix}, {"XDG_RUNTIME_DIR", runtimeDir}, {"TMPDIR", runtimeDir},
          {"HOME", home}, {"LANG", ""}, {"LC_ALL", ""}, {"LC_CTYPE", ""}};
}

void ApplyEnv(const EnvChanges& changes) {
  for (const auto& [name, value] : changes) {
    if (value.empty())
      unsetenv(name.c_str());
    else
      setenv(name.c_str(), value.c_str(), 1);
  }
}

int StartConverter(const ProcessSpec& job) {
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int null = open("/dev/null", O_WRONLY);
    ExecConverter(job, null, null, true);
  }
  return pid;
}

ProcessResult RunConverter(const ProcessSpec& job) { return RunConverterOnTerminal(job, "", nullptr); }

// Without onPrompt: in a new session without a controlling terminal, so
// that nobody can answer a message box.
ProcessResult RunConverterOnTerminal(const ProcessSpec& job, const std::string& prompt,
                                     const std::function<std::string()>& onPrompt) {
  ProcessResult result;
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  int errFd = fileno(err);
  int gone[2] = {-1, -1};
  if (job.stderrReaderGone && pipe(gone) == 0) {
    close(gone[0]);
    errFd = gone[1];
  }
  int master = -1;
  pid_t pid = onPrompt ? forkpty(&master, nullptr, nullptr, nullptr) : fork();
  if (pid == 0) {
    if (!onPrompt) setsid();
    ExecConverter(job, fileno(out), errFd, !onPrompt);
  }
  if (gone[1] >= 0) close(gone[1]);
  size_t seen = 0;  // prompts already answered
  int waited = 0;
  bool ended = false;
  for (; onPrompt && waited < kGiveUpMilliseconds; waited += kPollMilliseconds) {
    pollfd pfd{master, POLLIN, 0};
    if (poll(&pfd, 1, kPollMilliseconds) > 0) {
      char buffer[1024];
      ssize_t n = read(master, buffer, sizeof(buffer));
      if (n <= 0) break;  // the child closed the terminal: it is ending
      result.terminal.append(buffer, static_cast<size_t>(n));
      size_t at = result.terminal.find(prompt, seen);
      if (at != std::string::npos) {
        seen = at + prompt.size();
        std::string answer = onPrompt();
        if (write(master, answer.data(), answer.size()) < 0) break;
      }
    }
    result.exitCode = WaitForExit(pid, &ended);
    if (ended) break;
  }
  if (master >= 0) close(master);
  // A child already reaped above keeps the exit code it had.
  if (!ended) Finish(pid, &result, waited);
  result.out = ReadAllFrom(out);
  result.err = ReadAllFrom(err);
  return result;
}

}  // namespace e2e
