#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "child_test.h"

namespace testing_support {

struct ChildTest::Process {
  pid_t pid = -1;
  int input = -1;          // the child's standard input, our end
  FILE* output = nullptr;  // the child's standard output, our end
};

ChildTest::ChildTest(const std::string& filter) : process_(std::make_unique<Process>()) {
  int in[2], out[2];
  if (pipe(in) != 0) return;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  const std::string filterFlag = "--gtest_filter=" + filter;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", "child", "--gtest_also_run_disabled_tests", filterFlag.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  if (pid < 0) {
    close(in[1]);
    close(out[0]);
    return;
  }
  process_->pid = pid;
  process_->input = in[1];
  process_->output = fdopen(out[0], "r");
}

ChildTest::~ChildTest() { Finish(); }

std::string ChildTest::WaitFor(const std::string& prefix) {
  if (!process_->output) return {};
  char line[4096];
  while (std::fgets(line, sizeof line, process_->output)) {
    std::string text(line);
    if (text.compare(0, prefix.size(), prefix) == 0) {
      text.erase(0, prefix.size());
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      return text;
    }
  }
  return {};
}

void ChildTest::Finish() {
  if (process_->input >= 0) close(process_->input);
  process_->input = -1;
  WaitFor("\x01");  // what it still writes, to its end
  if (process_->output) std::fclose(process_->output);
  process_->output = nullptr;
  if (process_->pid > 0) waitpid(process_->pid, nullptr, 0);
  process_->pid = -1;
}

}  // namespace testing_support
