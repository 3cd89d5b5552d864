#include "platform/env.h"

#include <fcntl.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/terminal_prompt.h"
#include "platform/text_codec.h"
#include "platform/ui.h"

namespace platform {
namespace {

constexpr win::UINT kButtonsMask = 0x0F;
constexpr int kIdAbort = 3;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

struct Choice {
  char key;
  int id;
};

// What each MB_* button set offers on the terminal. escapeId is the answer
// when the user cannot answer (end of input), as closing the window would
// give; boxes without a way out escape through their last button.
struct ButtonSet {
  win::UINT type;
  const char* prompt;
  std::vector<Choice> choices;
  int escapeId;
};

const std::vector<ButtonSet>& ButtonSets() {
  static const std::vector<ButtonSet> sets = {
      {0, nullptr, {}, win::IDOK},
      {1, "[O]K / [C]ancel", {{'o', win::IDOK}, {'c', win::IDCANCEL}}, win::IDCANCEL},
      {2,
       "[A]bort / [R]etry / [I]gnore",
       {{'a', kIdAbort}, {'r', win::IDRETRY}, {'i', kIdIgnore}},
       kIdAbort},
      {3,
       "[Y]es / [N]o / [C]ancel",
       {{'y', kIdYes}, {'n', kIdNo}, {'c', win::IDCANCEL}},
       win::IDCANCEL},
      {4, "[Y]es / [N]o", {{'y', kIdYes}, {'n', kIdNo}}, kIdNo},
      {5, "[R]etry / [C]ancel", {{'r', win::IDRETRY}, {'c', win::IDCANCEL}}, win::IDCANCEL},
  };
  return sets;
}

const ButtonSet* FindButtonSet(win::UINT type) {
  for (const ButtonSet& set : ButtonSets())
    if (set.type == (type & kButtonsMask)) return &set;
  return nullptr;
}

void WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data.remove_prefix(static_cast<size_t>(n));
  }
}

std::string BoxText(const std::string& caption, const std::string& text) {
  return "\n" + caption + "\n" + text + "\n";
}

// One line of input without its end; false at end of input or on error
// (a last line without a newline still counts as a line).
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line->empty();
    if (c == '\n') return true;
    line->push_back(c);
  }
}

// The first non-blank character of an answer, lower-cased.
char AnswerKey(const std::string& line) {
  for (char c : line) {
    if (c == ' ' || c == '\t' || c == '\r') continue;
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return 0;
}

// The controlling terminal, when this process may use it: a process in a
// background group would be stopped on reading it, which would hang the run
// with nobody asked, so that counts as no terminal.
int OpenForegroundTerminal() {
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (tcgetpgrp(fd) != getpgrp()) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int PromptOnTerminal(int inFd, int outFd, const std::string& textUtf8,
                     const std::string& captionUtf8, win::UINT type) {
  const ButtonSet* set = FindButtonSet(type);
  WriteAll(outFd, BoxText(captionUtf8, textUtf8));
  if (set == nullptr) return win::IDCANCEL;
  if (set->choices.empty()) return set->escapeId;
  std::string line;
  for (;;) {
    WriteAll(outFd, std::string(set->prompt) + " ");
    if (!ReadLine(inFd, &line)) {
      WriteAll(outFd, "\n");
      return set->escapeId;
    }
    char key = AnswerKey(line);
    for (const Choice& choice : set->choices)
      if (choice.key == key) return choice.id;
  }
}

win::SYSTEMTIME Env::UtcNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  gmtime_r(&now.tv_sec, &utc);
  win::SYSTEMTIME st{};
  st.wYear = static_cast<win::WORD>(utc.tm_year + 1900);
  st.wMonth = static_cast<win::WORD>(utc.tm_mon + 1);
  st.wDayOfWeek = static_cast<win::WORD>(utc.tm_wday);
  st.wDay = static_cast<win::WORD>(utc.tm_mday);
  st.wHour = static_cast<win::WORD>(utc.tm_hour);
  st.wMinute = static_cast<win::WORD>(utc.tm_min);
  // A leap second (60) is folded into 59, as Windows never reports one.
  st.wSecond = static_cast<win::WORD>(utc.tm_sec > 59 ? 59 : utc.tm_sec);
  st.wMilliseconds = static_cast<win::WORD>(now.tv_nsec / 1000000);
  return st;
}

uint64_t Env::TotalPhysicalMemory() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
  // Fall back on the kernel's own report, in kB.
  FILE* f = fopen("/proc/meminfo", "re");
  if (f == nullptr) return 0;
  unsigned long long kb = 0;
  char line[256];
  while (fgets(line, sizeof line, f) != nullptr)
    if (sscanf(line, "MemTotal: %llu kB", &kb) == 1) break;
  fclose(f);
  return static_cast<uint64_t>(kb) * 1024;
}

int Env::MessageBox(const std::string& text, const std::string& caption, win::UINT type,
                    win::UINT textCodePage) {
  std::string textUtf8 = Recode(text, textCodePage, win::CP_UTF8);
  std::string captionUtf8 = Recode(caption, textCodePage, win::CP_UTF8);
  int tty = OpenForegroundTerminal();
  if (tty < 0) {
    // Nobody can answer: a box without a choice counts as acknowledged, any
    // other as dismissed. The message still goes to stderr, so that a log
    // shows why the run went the way it did.
    const ButtonSet* set = FindButtonSet(type);
    int answer = set != nullptr && set->choices.empty() ? win::IDOK : win::IDCANCEL;
    std::string note = BoxText(captionUtf8, textUtf8);
    if (answer == win::IDCANCEL) note += "(no terminal to answer on: cancelled)\n";
    WriteAll(STDERR_FILENO, note);
    return answer;
  }
  int answer = PromptOnTerminal(tty, tty, textUtf8, captionUtf8, type);
  close(tty);
  return answer;
}

}  // namespace platform
