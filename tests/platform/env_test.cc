#include "platform/env.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/terminal_prompt.h"
#include "platform/ui.h"
#include "../support/test_support.h"

namespace {

// Runs the terminal dialogue with input fed from a pipe; returns the
// answer and what was shown.
int Prompt(const std::string& input, std::string* shown) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return -1;
  (void)!write(in[1], input.data(), input.size());
  close(in[1]);
  fcntl(out[1], F_SETPIPE_SZ, 1 << 20);
  int answer = platform::PromptOnTerminal(in[0], out[1], "text \xe4\xb8\xad", "Caption",
                                          win::MB_RETRYCANCEL);
  close(out[1]);
  shown->clear();
  char buf[4096];
  ssize_t n;
  while ((n = read(out[0], buf, sizeof buf)) > 0) shown->append(buf, static_cast<size_t>(n));
  close(in[0]);
  close(out[0]);
  return answer;
}

TEST(PromptOnTerminalTest, AnswersFromTheInput) {
  const std::pair<const char*, int> cases[] = {
      {"  Retry\r\n", win::IDRETRY}, {"c\n", win::IDCANCEL},         {"", win::IDCANCEL},
      {"x\n\nC", win::IDCANCEL},      {"what\nr\n", win::IDRETRY},
  };
  for (const auto& [input, expected] : cases) {
    std::string shown;
    EXPECT_EQ(Prompt(input, &shown), expected) << input;
    EXPECT_NE(shown.find("Caption\ntext \xe4\xb8\xad\n"), std::string::npos);
    EXPECT_NE(shown.find("[R]etry / [C]ancel"), std::string::npos);
  }
}

TEST(DefaultEnvTest, WithoutTerminalRetryCancelIsCancelled) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setsid();  // no controlling terminal from here on
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDERR_FILENO);
    platform::Env env;
    int answer = env.MessageBox("text", "caption", win::MB_RETRYCANCEL, win::CP_UTF8);
    _exit(answer == win::IDCANCEL ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
