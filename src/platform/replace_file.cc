// Whole-file replacement through the Env, the same on every host: the
// bytes go to a locked temporary file beside the target, which is then
// renamed over it.
#include "platform/paths.h"

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/temp_file.h"

namespace platform {

namespace {

// A new file may be read and written by all, less the umask.
constexpr uint32_t kNewFilePermissions = 0666;

}  // namespace

bool ReplaceFileAtomically(const std::string& hostPath, const std::string& data) {
  if (hostPath.empty() || hostPath.back() == '/') return false;
  size_t slash = hostPath.rfind('/');
  std::string folder = slash == std::string::npos ? "." : hostPath.substr(0, slash);
  if (folder.empty()) folder = "/";

  // What a writer killed earlier left here goes first; one that is still
  // writing holds its file and keeps it.
  SweepTempFiles(folder);
  Env* env = CurrentEnv();
  // Keep the permissions of the file being replaced.
  FileInfo old;
  bool keep = env->GetFileInfo(hostPath, /*followLinks=*/true, &old) == IoStatus::kOk && old.isFile;
  std::string temp;
  std::unique_ptr<File> file;
  if (CreateTempFile(folder, kNewFilePermissions, &temp, &file) != IoStatus::kOk) return false;
  if (keep) file->SetPermissions(old.permissions);  // else the new file keeps its own
  // The lock goes with the file, after the rename: until then the temporary
  // name is held.
  bool ok = file->Write(data.data(), data.size()) == IoStatus::kOk &&
            file->Sync() == IoStatus::kOk && env->Rename(temp, hostPath) == IoStatus::kOk;
  if (!ok) env->Remove(temp);
  file.reset();
  if (!ok) return false;
  // Make the rename itself durable.
  env->SyncFolder(folder);
  return true;
}

}  // namespace platform
