#include "platform/env.h"

namespace platform {

IoStatus ReadFileToString(Env* env, const std::string& path, std::string* data) {
  data->clear();
  std::unique_ptr<File> file;
  if (IoStatus status = env->OpenFile(path, /*writable=*/false, &file); status != IoStatus::kOk)
    return status;
  FileInfo info;
  if (IoStatus status = file->Info(&info); status != IoStatus::kOk) return status;
  if (!info.isFile) return IoStatus::kAccessDenied;
  // The size is a hint: the file may grow or shrink while it is read.
  constexpr size_t kChunk = 1 << 16;
  for (;;) {
    size_t have = data->size();
    size_t want = kChunk + (info.size > have ? static_cast<size_t>(info.size - have) : 0);
    data->resize(have + want);
    size_t got = 0;
    IoStatus status = file->ReadAt(have, data->data() + have, want, &got);
    data->resize(have + got);
    if (status != IoStatus::kOk || got < want) return status;
  }
}

}  // namespace platform
