// Opening, locking, reading and saving one compound file.
#include "cfb/compound_file.h"

#include <chrono>
#include <cstring>
#include <new>
#include <string>

#include "base/com.h"
#include "platform/env.h"
#include "platform/temp_file.h"

namespace cfb {

namespace {

// How often an opener retries when a save replaced the file between its
// open and its lock.
constexpr int kOpenAttempts = 64;

using platform::IoStatus;
using platform::LockKind;

// A new compound file may be read and written by all, less the umask.
constexpr uint32_t kNewFilePermissions = 0666;
constexpr uint32_t kWritePermissions = 0222;

win::HRESULT FromStatus(IoStatus status) {
  switch (status) {
    case IoStatus::kOk:
      return win::S_OK;
    case IoStatus::kNotFound:
      return win::STG_E_FILENOTFOUND;
    case IoStatus::kExists:
      return win::STG_E_FILEALREADYEXISTS;
    case IoStatus::kPathNotFound:
      return win::STG_E_PATHNOTFOUND;
    case IoStatus::kDiskFull:
      return win::STG_E_MEDIUMFULL;
    case IoStatus::kTooManyOpenFiles:
      return win::STG_E_TOOMANYOPENFILES;
    case IoStatus::kNoMemory:
      return win::STG_E_INSUFFICIENTMEMORY;
    default:
      return win::STG_E_ACCESSDENIED;
  }
}

// Exclusive sharing and the deny modes that shut others out take an
// exclusive lock; every other opener takes a shared one, so that it keeps an
// exclusive opener out and is kept out by one.
LockKind LockFor(win::DWORD mode, bool writes) {
  win::DWORD share = mode & 0x70;
  if (share == win::STGM_SHARE_EXCLUSIVE || share == win::STGM_SHARE_DENY_READ)
    return LockKind::kExclusive;
  if (share == win::STGM_SHARE_DENY_WRITE) return writes ? LockKind::kExclusive : LockKind::kShared;
  return LockKind::kShared;
}

bool SameFile(platform::File& file, const std::string& path) {
  platform::FileInfo a, b;
  return file.Info(&a) == IoStatus::kOk &&
         platform::CurrentEnv()->GetFileInfo(path, /*followLinks=*/true, &b) == IoStatus::kOk &&
         a.volume == b.volume && a.id == b.id;
}

// Opens and locks path.
win::HRESULT OpenLocked(const std::string& path, bool writable, LockKind lock,
                        std::unique_ptr<platform::File>* out) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    std::unique_ptr<platform::File> file;
    IoStatus status = platform::CurrentEnv()->OpenFile(path, writable, &file);
    if (status != IoStatus::kOk) return FromStatus(status);
    platform::FileInfo info;
    if (file->Info(&info) != IoStatus::kOk || !info.isFile) return win::STG_E_ACCESSDENIED;
    // A file without write permission is a read-only file: it cannot be
    // opened for writing, nor created anew over, whoever runs the process
    // (root could write it regardless).
    if (writable && (info.permissions & kWritePermissions) == 0) return win::STG_E_ACCESSDENIED;
    status = file->Lock(lock);
    if (status != IoStatus::kOk)
      return status == IoStatus::kBusy ? win::STG_E_SHAREVIOLATION : win::STG_E_LOCKVIOLATION;
    // A save may have replaced the file between the open and the lock.
    if (SameFile(*file, path)) {
      *out = std::move(file);
      return win::S_OK;
    }
  }
  return win::STG_E_SHAREVIOLATION;
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Saves replace the file by renaming over it, so they must aim at the file
// itself, not at a symbolic link to it.
std::string SaveTarget(const char* path) { return platform::CurrentEnv()->RealPath(path); }

}  // namespace

win::HRESULT CompoundFile::Open(const char* path, win::DWORD mode,
                                std::shared_ptr<CompoundFile>* out) {
  out->reset();
  if (!path) return win::STG_E_INVALIDPOINTER;
  win::DWORD access = mode & 3;
  if (access == 3) return win::STG_E_INVALIDFLAG;
  std::shared_ptr<CompoundFile> file(new (std::nothrow) CompoundFile);
  if (!file) return win::STG_E_INSUFFICIENTMEMORY;
  file->writable_ = access != win::STGM_READ;
  file->transacted_ = (mode & win::STGM_TRANSACTED) != 0;
  // A transacted file is only read until an explicit commit replaces it.
  file->lock_ = LockFor(mode, file->writable_);
  win::HRESULT hr =
      OpenLocked(path, file->writable_ && !file->transacted_, file->lock_, &file->file_);
  if (hr != win::S_OK) return hr;
  file->path_ = SaveTarget(path);
  hr = Volume::Open(file->file_.get(), &file->volume_);
  // A file without the signature exists but is no compound file; the
  // system reports that as STG_E_FILEALREADYEXISTS.
  if (hr == win::STG_E_INVALIDHEADER) return win::STG_E_FILEALREADYEXISTS;
  if (hr != win::S_OK) return hr;
  try {
    file->root_ = BuildTree(*file->volume_);
  } catch (const std::bad_alloc&) {
    return win::STG_E_INSUFFICIENTMEMORY;
  }
  if (!file->root_) return win::STG_E_DOCFILECORRUPT;
  file->majorVersion_ = file->volume_->majorVersion() >= 4 ? 4 : 3;
  *out = std::move(file);
  return win::S_OK;
}

win::HRESULT CompoundFile::Create(const char* path, win::DWORD mode,
                                  std::shared_ptr<CompoundFile>* out) {
  out->reset();
  if (!path) return win::STG_E_INVALIDPOINTER;
  win::DWORD access = mode & 3;
  if (access == 3) return win::STG_E_INVALIDFLAG;
  if (access == win::STGM_READ) return win::STG_E_INVALIDFLAG;
  std::shared_ptr<CompoundFile> file(new (std::nothrow) CompoundFile);
  if (!file) return win::STG_E_INSUFFICIENTMEMORY;
  file->writable_ = true;
  file->transacted_ = (mode & win::STGM_TRANSACTED) != 0;
  file->lock_ = LockFor(mode, true);
  file->root_ = std::make_shared<Node>();
  file->root_->type = kTypeRoot;
  file->root_->name = u"Root Entry";
  file->dirty_ = true;
  const bool replace = (mode & win::STGM_CREATE) != 0;
  platform::FileInfo existing;
  win::HRESULT hr = win::STG_E_FILEALREADYEXISTS;
  // A new file comes into being complete: the empty compound file is
  // written beside the name and linked to it, so no process ever sees it
  // empty or half written, and a creator that finds the name taken
  // meanwhile does not replace what another put there.
  if (platform::CurrentEnv()->GetFileInfo(path, /*followLinks=*/true, &existing) != IoStatus::kOk) {
    file->path_ = path;
    hr = file->Save(/*createOnly=*/true);
    // Creation fails for a missing folder: the path, not the file, is wrong.
    if (hr == win::STG_E_FILENOTFOUND) hr = win::STG_E_PATHNOTFOUND;
    if (hr != win::STG_E_FILEALREADYEXISTS || !replace) {
      if (hr != win::S_OK) {
        file->dirty_ = false;
        return hr;
      }
      *out = std::move(file);
      return win::S_OK;
    }
  }
  if (!replace) return hr;
  // An existing file is locked as an opener would lock it, so one that
  // another holds is refused, and keeps its bytes until the new file is
  // renamed over it.
  hr = OpenLocked(path, /*writable=*/true, file->lock_, &file->file_);
  if (hr == win::STG_E_FILENOTFOUND) return win::STG_E_PATHNOTFOUND;
  if (hr != win::S_OK) return hr;
  file->path_ = SaveTarget(path);
  hr = file->Save();
  if (hr != win::S_OK) {
    file->dirty_ = false;
    return hr;
  }
  *out = std::move(file);
  return win::S_OK;
}

CompoundFile::~CompoundFile() {
  if (dirty_ && writable_ && !transacted_) Save();
  volume_.reset();
}

win::HRESULT CompoundFile::Prepare(Node& stream) {
  if (stream.resident || stream.extent) return win::S_OK;
  if (!volume_) return win::STG_E_DOCFILECORRUPT;
  auto extent = std::make_shared<StreamExtent>();
  if (!volume_->Locate(stream.start, stream.size, extent.get())) return win::STG_E_DOCFILECORRUPT;
  stream.extent = std::move(extent);
  return win::S_OK;
}

win::HRESULT CompoundFile::ReadStream(Node& stream, uint64_t offset, void* buf, size_t n) {
  if (n == 0) return win::S_OK;
  if (stream.resident) {
    memcpy(buf, stream.data.data() + offset, n);
    return win::S_OK;
  }
  win::HRESULT hr = Prepare(stream);
  if (hr != win::S_OK) return hr;
  return volume_->Read(*stream.extent, offset, buf, n) ? win::S_OK : win::STG_E_READFAULT;
}

bool CompoundFile::Read(const Node& stream, uint64_t offset, void* buf, size_t n) {
  return ReadStream(const_cast<Node&>(stream), offset, buf, n) == win::S_OK;
}

win::HRESULT CompoundFile::MakeResident(Node& stream) {
  if (stream.resident) return win::S_OK;
  if (stream.size > kMaxStreamSize) return win::STG_E_INSUFFICIENTMEMORY;
  win::HRESULT hr = Prepare(stream);
  if (hr != win::S_OK) return hr;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(stream.size));
  } catch (const std::bad_alloc&) {
    return win::STG_E_INSUFFICIENTMEMORY;
  }
  if (!volume_->Read(*stream.extent, 0, bytes.data(), bytes.size())) return win::STG_E_READFAULT;
  stream.data = std::move(bytes);
  stream.resident = true;
  stream.extent.reset();
  return win::S_OK;
}

win::HRESULT CompoundFile::Commit(bool fromRoot) {
  if (!writable_ || !dirty_) return win::S_OK;
  if (transacted_ && !fromRoot) return win::S_OK;
  return Save();
}

win::HRESULT CompoundFile::Revert() {
  if (!transacted_ || !dirty_) return win::S_OK;
  // The file is read again: the tree of the last commit is not kept.
  std::unique_ptr<Volume> volume;
  win::HRESULT hr = Volume::Open(file_.get(), &volume);
  if (hr != win::S_OK) return hr;
  std::shared_ptr<Node> fresh;
  try {
    fresh = BuildTree(*volume);
  } catch (const std::bad_alloc&) {
    return win::STG_E_INSUFFICIENTMEMORY;
  }
  if (!fresh) return win::STG_E_DOCFILECORRUPT;
  volume_ = std::move(volume);
  for (const auto& child : root_->children) DetachTree(*child);
  root_->children = std::move(fresh->children);
  memcpy(root_->clsid, fresh->clsid, sizeof root_->clsid);
  root_->stateBits = fresh->stateBits;
  root_->ctime = fresh->ctime;
  root_->mtime = fresh->mtime;
  dirty_ = false;
  return win::S_OK;
}

namespace {

// A stream whose bytes cannot be read any more (a corrupt chain in the file
// as it was opened) is saved empty rather than blocking every other change.
void DropUnreadable(CompoundFile& file, Node& node) {
  std::vector<Node*> work = {&node};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    for (const auto& child : n->children) {
      if (child->isStorage()) {
        work.push_back(child.get());
      } else if (file.Prepare(*child) != win::S_OK) {
        child->resident = true;
        child->data.clear();
        child->size = 0;
      }
    }
  }
}

}  // namespace

win::HRESULT CompoundFile::Save(bool createOnly) {
  platform::Env* env = platform::CurrentEnv();
  // Renaming would replace a file that may not be written (a transacted
  // file is opened read-only, so its permission is checked only here).
  platform::FileInfo target;
  IoStatus status = env->GetFileInfo(path_, /*followLinks=*/true, &target);
  if (status == IoStatus::kOk ? !target.writable : status != IoStatus::kNotFound)
    return win::STG_E_ACCESSDENIED;
  const std::string folder = Folder(path_);
  // Temporary files that killed saves left here go first, those of this
  // file's earlier "NAME.XXXXXX" naming too; a live writer keeps its own.
  platform::SweepTempFiles(folder, path_.substr(path_.rfind('/') + 1));
  std::string temp;
  std::unique_ptr<platform::File> out;
  status = platform::CreateTempFile(folder, kNewFilePermissions, &temp, &out);
  if (status != IoStatus::kOk) return FromStatus(status);
  std::unique_ptr<Volume> fresh;
  std::vector<std::pair<Node*, uint32_t>> placed;
  win::HRESULT hr = win::S_OK;
  try {
    DropUnreadable(*this, *root_);
    hr = SerializeTree(out.get(), *root_, this, SerializeOptions{majorVersion_}, &placed);
  } catch (const std::bad_alloc&) {
    hr = win::STG_E_INSUFFICIENTMEMORY;
  }
  platform::FileInfo old;
  if (hr == win::S_OK && file_ && file_->Info(&old) == IoStatus::kOk)
    out->SetPermissions(old.permissions);
  if (hr == win::S_OK && (status = out->Sync()) != IoStatus::kOk) hr = FromStatus(status);
  // The new file carries the file's lock before anyone can open it by name
  // (the temporary file is created under an exclusive one).
  if (hr == win::S_OK && lock_ != LockKind::kExclusive && out->Lock(lock_) != IoStatus::kOk)
    hr = win::STG_E_LOCKVIOLATION;
  if (hr == win::S_OK) hr = Volume::Open(out.get(), &fresh);
  if (hr == win::S_OK) hr = Install(temp, createOnly);
  if (hr != win::S_OK) {
    env->Remove(temp);
    return hr == win::STG_E_FILENOTFOUND ? win::STG_E_WRITEFAULT : hr;
  }
  env->SyncFolder(folder);
  for (auto& [node, start] : placed) {
    node->start = start;
    node->resident = node->size == 0;
    std::vector<uint8_t>().swap(node->data);
    node->extent.reset();
  }
  fresh->DropDirectory();  // the tree in memory is already the saved one
  volume_ = std::move(fresh);
  file_ = std::move(out);
  dirty_ = false;
  return win::S_OK;
}

// A saved file replaces the old one by rename. A created one must not
// replace anything: it is hard-linked to its name, which fails when the
// name is taken, and the temporary name is dropped. A file system without
// hard links gets the rename, after a last look at the name.
win::HRESULT CompoundFile::Install(const std::string& temp, bool createOnly) {
  platform::Env* env = platform::CurrentEnv();
  if (!createOnly) return FromStatus(env->Rename(temp, path_));
  IoStatus status = env->Link(temp, path_);
  if (status == IoStatus::kOk) {
    env->Remove(temp);
    return win::S_OK;
  }
  if (status != IoStatus::kNotSupported) return FromStatus(status);
  platform::FileInfo info;
  if (env->GetFileInfo(path_, /*followLinks=*/false, &info) == IoStatus::kOk)
    return win::STG_E_FILEALREADYEXISTS;
  return FromStatus(env->Rename(temp, path_));
}

uint64_t FileTimeNow() {
  // FILETIME: 100-nanosecond units since 1601-01-01.
  constexpr uint64_t kEpochDifference = 116444736000000000ull;
  using Ticks = std::chrono::duration<uint64_t, std::ratio<1, 10000000>>;
  return kEpochDifference +
         std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
             .count();
}

}  // namespace cfb
