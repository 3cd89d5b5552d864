#include "test_registry.h"

// Ours before the system's, whose macros take the names of our constants.
#include "compound_tree.h"

#include <windows.h>

#include <random>

namespace testing_support {

struct TestRegistry::State {
  std::string root;
};

namespace {

const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

}  // namespace

TestRegistry::TestRegistry() : state_(std::make_unique<State>()) {
  state_->root = "Software\\VorlakeTest" + std::to_string(std::random_device{}());
}

TestRegistry::~TestRegistry() {
  const std::u16string name = Utf16(state_->root.substr(sizeof "Software\\" - 1));
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY software = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view, &software) ==
        ERROR_SUCCESS) {
      ::RegDeleteTreeW(software, Wide(name));
      ::RegCloseKey(software);
    }
  }
}

const std::string& TestRegistry::Root() const { return state_->root; }

bool TestRegistry::Put(const std::string& key, const std::string& name, win::DWORD type,
                       const std::string& bytes, bool native) {
  HKEY k = nullptr;
  const REGSAM view = native ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(Utf16(state_->root + "\\" + key)), 0, nullptr, 0,
                        KEY_SET_VALUE | view, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  const std::u16string wideName = Utf16(name);
  LSTATUS rc = ::RegSetValueExW(k, name.empty() ? nullptr : Wide(wideName), 0, type,
                                reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size()));
  ::RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

}  // namespace testing_support
