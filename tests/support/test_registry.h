// Values put into HKEY_LOCAL_MACHINE for one test, so that the registry
// tests run against the POSIX reader of a prefix's system.reg and against
// the system's own registry alike. On POSIX they are written as the
// system.reg of a 64-bit prefix that is in force for the object's life; on
// Windows through the registry API, under a key of the object's own that
// goes with it.
#pragma once

#include <memory>
#include <string>

#include "base/win_types.h"

namespace testing_support {

class TestRegistry {
 public:
  TestRegistry();
  ~TestRegistry();
  TestRegistry(const TestRegistry&) = delete;
  TestRegistry& operator=(const TestRegistry&) = delete;

  // The test's key under HKEY_LOCAL_MACHINE, below Software.
  const std::string& Root() const;
  // Sets name ("" for the default value) of Root()\key to bytes of type as
  // the registry stores them: text in UTF-16LE, with its NUL if it has one.
  // In the 32-bit view, unless native: the one only 64-bit programs see.
  // False when the value could not be set.
  bool Put(const std::string& key, const std::string& name, win::DWORD type,
           const std::string& bytes, bool native = false);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace testing_support
