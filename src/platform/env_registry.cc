// The Env in force, shared by both builds: each build supplies Env's
// default behaviour, this file only chooses between it and a test's Env.
#include <atomic>

#include "platform/env.h"

namespace platform {
namespace {

Env g_default_env;
std::atomic<Env*> g_env{nullptr};

}  // namespace

Env* CurrentEnv() {
  Env* env = g_env.load();
  return env != nullptr ? env : &g_default_env;
}

void SetEnv(Env* env) { g_env.store(env); }

Env* DefaultEnv() { return &g_default_env; }

}  // namespace platform
