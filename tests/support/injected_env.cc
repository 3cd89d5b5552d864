#include "injected_env.h"

#include <algorithm>

namespace testing_support {
namespace {

using platform::IoStatus;

constexpr unsigned kPrefixCodePage = 936;

class FaultyFile : public platform::File {
 public:
  FaultyFile(std::unique_ptr<platform::File> file, const InjectedEnv& env)
      : file_(std::move(file)), env_(env) {}

  IoStatus ReadAt(uint64_t offset, void* buf, size_t n, size_t* got) override {
    if (env_.failRead) return IoStatus::kFailed;
    return file_->ReadAt(offset, buf, n, got);
  }
  IoStatus Write(const void* data, size_t n) override {
    size_t room = env_.writeLimit == InjectedEnv::kNoLimit
                      ? n
                      : env_.writeLimit - std::min(written_, env_.writeLimit);
    size_t take = std::min(n, room);
    if (take > 0) {
      if (IoStatus s = file_->Write(data, take); s != IoStatus::kOk) return s;
      written_ += take;
    }
    return take == n ? IoStatus::kOk : IoStatus::kDiskFull;
  }
  IoStatus Truncate(uint64_t size) override { return file_->Truncate(size); }
  IoStatus Sync() override { return env_.failSync ? IoStatus::kFailed : file_->Sync(); }
  IoStatus Lock(platform::LockKind kind) override { return file_->Lock(kind); }
  IoStatus Info(platform::FileInfo* info) override { return file_->Info(info); }
  IoStatus SetPermissions(uint32_t permissions) override {
    return file_->SetPermissions(permissions);
  }
  IoStatus SetModifiedTime(int64_t modified) override { return file_->SetModifiedTime(modified); }

 private:
  std::unique_ptr<platform::File> file_;
  const InjectedEnv& env_;
  size_t written_ = 0;
};

}  // namespace

InjectedEnv::InjectedEnv() : EnvWrapper(platform::CurrentEnv()) { platform::SetEnv(this); }

InjectedEnv::InjectedEnv(const std::string& prefixDir) : InjectedEnv() {
  prefix = prefixDir;
  codePage = kPrefixCodePage;
}

InjectedEnv::~InjectedEnv() { platform::SetEnv(target()); }

std::string InjectedEnv::Prefix() { return prefix ? *prefix : EnvWrapper::Prefix(); }

win::UINT InjectedEnv::AnsiCodePage() {
  return codePage ? *codePage : EnvWrapper::AnsiCodePage();
}

void InjectedEnv::Wrap(std::unique_ptr<platform::File>* file) {
  *file = std::make_unique<FaultyFile>(std::move(*file), *this);
}

IoStatus InjectedEnv::OpenFile(const std::string& path, bool writable,
                               std::unique_ptr<platform::File>* file) {
  IoStatus status = EnvWrapper::OpenFile(path, writable, file);
  if (status == IoStatus::kOk) Wrap(file);
  return status;
}

IoStatus InjectedEnv::CreateLockedFile(const std::string& path, uint32_t permissions,
                                       std::unique_ptr<platform::File>* file) {
  IoStatus status = EnvWrapper::CreateLockedFile(path, permissions, file);
  if (status == IoStatus::kOk) Wrap(file);
  return status;
}

IoStatus InjectedEnv::Rename(const std::string& from, const std::string& to) {
  return failRename ? IoStatus::kFailed : EnvWrapper::Rename(from, to);
}

}  // namespace testing_support
