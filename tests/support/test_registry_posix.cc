#include <cstdio>
#include <vector>

#include "injected_env.h"
#include "test_registry.h"
#include "test_support.h"

namespace testing_support {

struct TestRegistry::State {
  struct Value {
    std::string key;
    std::string name;
    win::DWORD type;
    std::string bytes;
    bool native;
  };
  TempDir prefix;
  InjectedEnv env{prefix.path()};
  std::string root = "Software\\VorlakeTest";
  std::vector<Value> values;
};

namespace {

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

TestRegistry::TestRegistry() : state_(std::make_unique<State>()) {}
TestRegistry::~TestRegistry() = default;

const std::string& TestRegistry::Root() const { return state_->root; }

// The whole file again on every change, values in the order put; a 32-bit
// program's Software is Software\Wow6432Node of a 64-bit prefix.
bool TestRegistry::Put(const std::string& key, const std::string& name, win::DWORD type,
                       const std::string& bytes, bool native) {
  state_->values.push_back({key, name, type, bytes, native});
  std::string text = "WINE REGISTRY Version 2\n#arch=win64\n";
  for (const State::Value& v : state_->values) {
    std::string path = (v.native ? "Software\\" : "Software\\Wow6432Node\\") +
                       state_->root.substr(sizeof "Software\\" - 1) + "\\" + v.key;
    text += "\n[" + Escaped(path) + "]\n";
    text += v.name.empty() ? "@" : "\"" + Escaped(v.name) + "\"";
    char head[32];
    std::snprintf(head, sizeof head, "=hex(%x):", static_cast<unsigned>(v.type));
    text += head;
    for (size_t i = 0; i < v.bytes.size(); ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", static_cast<unsigned char>(v.bytes[i]));
      text += byte;
    }
    text += "\n";
  }
  WriteFile(state_->prefix.Join("system.reg"), text);
  return true;
}

}  // namespace testing_support
