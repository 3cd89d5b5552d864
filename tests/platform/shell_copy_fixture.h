// The folders the shell copy tests start from, and the copy called as the
// converter calls it (FO_COPY, no questions) with Windows paths of the test
// folder, so that a case runs against the POSIX copy and the system's own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "../support/test_support.h"
#include "platform/shell.h"

namespace platform_test {

class ShellCopyFixture : public ::testing::Test {
 protected:
  ShellCopyFixture() {
    testing_support::WriteFile(Host("OLD/Profiles/Torrents/a.torrent"), "A");
    testing_support::WriteFile(Host("OLD/Profiles/Torrents/sub/b.torrent"), "B");
    testing_support::WriteFile(Host("OLD/Program/server.met"), "S");
  }

  std::string Host(const std::string& relative) const { return dir_.Join(relative); }
  // relative (with backslashes) under the test folder, as a Windows path.
  std::string Win(const std::string& relative) const {
    return testing_support::WindowsPath(dir_.path()) + "\\" + relative;
  }
  // The names in a folder, its subfolders' with them.
  std::set<std::string> Names(const std::string& relative) const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Host(relative)))
      names.insert(e.path().lexically_relative(Host(relative)).generic_string());
    return names;
  }

  // Lists are passed as the converter passes them: NUL, NUL behind each.
  int Copy(const std::string& from, const std::string& to) {
    std::string f = from + std::string(2, '\0');
    std::string t = to + std::string(2, '\0');
    win::SHFILEOPSTRUCTA op{nullptr, win::FO_COPY, f.c_str(), t.c_str(),
                            win::FOF_SILENT | win::FOF_NOCONFIRMATION | win::FOF_NOCONFIRMMKDIR,
                            0, nullptr, nullptr};
    return win::SHFileOperationA(&op);
  }

  testing_support::TempDir dir_;
};

}  // namespace platform_test
