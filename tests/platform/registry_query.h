// One value of a key of HKEY_LOCAL_MACHINE read as callers read it: the key
// opened, the value's size asked, the value read, the key closed again.
#pragma once

#include <string>

#include "platform/registry.h"

namespace platform_test {

inline win::LSTATUS QueryHklm(const std::string& key, const char* name, std::string* data,
                              win::DWORD* type = nullptr) {
  const win::LSTATUS ok = win::ERROR_SUCCESS;
  win::HKEY k = nullptr;
  win::LSTATUS rc = win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, key.c_str(), 0, win::KEY_READ, &k);
  if (rc != ok) return rc;
  win::DWORD size = 0;
  rc = win::RegQueryValueExA(k, name, nullptr, type, nullptr, &size);
  if (rc == ok) {
    data->assign(size, '\x7f');
    rc = win::RegQueryValueExA(k, name, nullptr, type, reinterpret_cast<win::BYTE*>(data->data()),
                               &size);
    data->resize(size);
  }
  win::RegCloseKey(k);
  return rc;
}

}  // namespace platform_test
