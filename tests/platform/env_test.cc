#include "platform/env.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/terminal_prompt.h"
#include "platform/ui.h"
#include "../support/test_support.h"

namespace {

// Runs the terminal dialogue with input fed from a pipe; returns the
// answer and what was shown.
int Prompt(const std::string& input, win::UINT type, std::string* shown) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return -1;
  (void)!write(in[1], input.data(), input.size());
  close(in[1]);
  fcntl(out[1], F_SETPIPE_SZ, 1 << 20);
  int answer = platform::PromptOnTerminal(in[0], out[1], "text \xe4\xb8\xad", "Caption", type);
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
  struct Case {
    const char* input;
    win::UINT type;
    int expected;
  };
  const Case cases[] = {
      {"  Retry\r\n", win::MB_RETRYCANCEL, win::IDRETRY},
      {"c\n", win::MB_RETRYCANCEL, win::IDCANCEL},
      {"", win::MB_RETRYCANCEL, win::IDCANCEL},
      {"x\n\nC", win::MB_RETRYCANCEL, win::IDCANCEL},
      {"what\nr\n", win::MB_RETRYCANCEL, win::IDRETRY},
      {"c\n", win::MB_OK, win::IDOK},
  };
  for (const Case& c : cases) {
    std::string shown;
    EXPECT_EQ(Prompt(c.input, c.type, &shown), c.expected) << c.input;
    EXPECT_NE(shown.find("Caption\ntext \xe4\xb8\xad\n"), std::string::npos);
    EXPECT_EQ(shown.find("[R]etry / [C]ancel") != std::string::npos, c.type == win::MB_RETRYCANCEL);
  }
}

class RecordingEnv : public platform::Env {
 public:
  win::UINT AnsiCodePage() override { return 936; }
  int MessageBox(const std::string& text, const std::string& caption, win::UINT type,
                 win::UINT codePage) override {
    text_ = text;
    caption_ = caption;
    type_ = type;
    codePage_ = codePage;
    return win::IDRETRY;
  }
  std::string text_, caption_;
  win::UINT type_ = 0, codePage_ = 0;
};

TEST(MessageBoxATest, HandsTheAnsiTextToTheEnv) {
  RecordingEnv env;
  platform::SetEnv(&env);
  EXPECT_EQ(win::MessageBoxA(nullptr, "\xbc\xec\xb2\xe2", "Vorlake6", win::MB_RETRYCANCEL),
            win::IDRETRY);
  platform::SetEnv(nullptr);
  EXPECT_EQ(env.text_, "\xbc\xec\xb2\xe2");
  EXPECT_EQ(env.caption_, "Vorlake6");
  EXPECT_EQ(env.type_, win::MB_RETRYCANCEL);
  EXPECT_EQ(env.codePage_, 936u);
}

TEST(DefaultEnvTest, WithoutTerminalRetryCancelIsCancelled) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setsid();  // no controlling terminal from here on
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDERR_FILENO);
    platform::Env env;
    int retry = env.MessageBox("text", "caption", win::MB_RETRYCANCEL, win::CP_UTF8);
    int ok = env.MessageBox("text", "caption", win::MB_OK, win::CP_UTF8);
    _exit(retry == win::IDCANCEL && ok == win::IDOK ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
