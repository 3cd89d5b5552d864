// Another run of this test program, for what only a second process shows
// (a named mutex that someone else holds). It runs the one test that filter
// names, disabled tests allowed, so a helper named DISABLED_... runs only
// when asked for; it inherits this process's environment. Its standard
// input and output are pipes to this process: the helper reports on its
// output and waits for its input to close.
#pragma once

#include <memory>
#include <string>

namespace testing_support {

class ChildTest {
 public:
  explicit ChildTest(const std::string& filter);
  ~ChildTest();
  ChildTest(const ChildTest&) = delete;
  ChildTest& operator=(const ChildTest&) = delete;

  // The rest of the first line the child writes that starts with prefix;
  // empty when its output ends first (or it never started).
  std::string WaitFor(const std::string& prefix);
  // Closes the child's input and waits for it to end.
  void Finish();

 private:
  struct Process;
  std::unique_ptr<Process> process_;
};

}  // namespace testing_support
