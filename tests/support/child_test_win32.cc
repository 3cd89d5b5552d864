#include "child_test.h"

#include <windows.h>

namespace testing_support {

struct ChildTest::Process {
  HANDLE process = nullptr;
  HANDLE input = nullptr;   // the child's standard input, our end
  HANDLE output = nullptr;  // the child's standard output, our end
};

namespace {

void Close(HANDLE* h) {
  if (*h) ::CloseHandle(*h);
  *h = nullptr;
}

}  // namespace

ChildTest::ChildTest(const std::string& filter) : process_(std::make_unique<Process>()) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE childIn = nullptr, childOut = nullptr;
  if (!::CreatePipe(&childIn, &process_->input, &inherit, 0)) return;
  if (!::CreatePipe(&process_->output, &childOut, &inherit, 0)) {
    Close(&childIn);
    Close(&process_->input);
    return;
  }
  // Our ends stay here, or the child would hold its own input open.
  ::SetHandleInformation(process_->input, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(process_->output, HANDLE_FLAG_INHERIT, 0);

  std::u16string exe(MAX_PATH, u'\0');
  DWORD n = ::GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(exe.data()), MAX_PATH);
  exe.resize(n);
  std::u16string command = u"\"" + exe + u"\" --gtest_also_run_disabled_tests --gtest_filter=" +
                           std::u16string(filter.begin(), filter.end());
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = childIn;
  start.hStdOutput = childOut;
  start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(nullptr, reinterpret_cast<LPWSTR>(command.data()), nullptr, nullptr, TRUE, 0,
                       nullptr, nullptr, &start, &info)) {
    process_->process = info.hProcess;
    ::CloseHandle(info.hThread);
  }
  Close(&childIn);
  Close(&childOut);
}

ChildTest::~ChildTest() { Finish(); }

std::string ChildTest::WaitFor(const std::string& prefix) {
  if (!process_->process) return {};
  std::string line;
  char c;
  DWORD got = 0;
  while (::ReadFile(process_->output, &c, 1, &got, nullptr) && got == 1) {
    if (c != '\n') {
      line += c;
      continue;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    line.clear();
  }
  return {};
}

void ChildTest::Finish() {
  Close(&process_->input);
  WaitFor("\x01");  // what it still writes, to its end
  Close(&process_->output);
  if (process_->process) ::WaitForSingleObject(process_->process, INFINITE);
  Close(&process_->process);
}

}  // namespace testing_support
