// Opening, locking, reading and saving one compound file.
#include "cfb/compound_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "base/com.h"
#include "platform/temp_file.h"

namespace cfb {

namespace {

// How often an opener retries when a save replaced the file between its
// open and its lock.
constexpr int kOpenAttempts = 64;

win::HRESULT FromErrno(int e) {
  switch (e) {
    case ENOENT:
      return win::STG_E_FILENOTFOUND;
    case EEXIST:
      return win::STG_E_FILEALREADYEXISTS;
    case ENOTDIR:
    case ENAMETOOLONG:
      return win::STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return win::STG_E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT:
      return win::STG_E_MEDIUMFULL;
    case EMFILE:
    case ENFILE:
      return win::STG_E_TOOMANYOPENFILES;
    case ENOMEM:
      return win::STG_E_INSUFFICIENTMEMORY;
    default:
      return win::STG_E_ACCESSDENIED;
  }
}

// Exclusive sharing and the deny modes that shut others out take an
// exclusive lock; every other opener takes a shared one, so that it keeps an
// exclusive opener out and is kept out by one.
int LockFor(win::DWORD mode, bool writes) {
  win::DWORD share = mode & 0x70;
  if (share == win::STGM_SHARE_EXCLUSIVE || share == win::STGM_SHARE_DENY_READ) return LOCK_EX;
  if (share == win::STGM_SHARE_DENY_WRITE) return writes ? LOCK_EX : LOCK_SH;
  return LOCK_SH;
}

// Another process may keep the file with a POSIX record lock (fcntl or
// lockf) rather than flock; that holder shuts this opener out just the same,
// as a process holding the file open without sharing does on Windows. Only
// looked at, never taken: a read-only descriptor cannot carry a write lock.
bool HeldByRecordLock(int fd, int lockType) {
  struct flock probe {};
  probe.l_type = lockType == LOCK_EX ? F_WRLCK : F_RDLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 0;
#ifdef F_OFD_GETLK
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
#else
  if (fcntl(fd, F_GETLK, &probe) != 0) return false;
#endif
  return probe.l_type != F_UNLCK;
}

bool SameFile(int fd, const char* path) {
  struct stat a, b;
  if (fstat(fd, &a) != 0 || stat(path, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens and locks path; on success *fd is the locked descriptor.
win::HRESULT OpenLocked(const char* path, int flags, int lockType, int* fd) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    // Without O_NONBLOCK a FIFO in the file's place would hold the open up
    // until some writer came; it has no effect on regular files.
    int f = open(path, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (f < 0) return FromErrno(errno);
    struct stat st;
    if (fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(f);
      return win::STG_E_ACCESSDENIED;
    }
    // A file without write permission is a read-only file: it cannot be
    // opened for writing, nor created anew over, whoever runs the process
    // (root could write it regardless).
    if ((flags & O_ACCMODE) != O_RDONLY && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      close(f);
      return win::STG_E_ACCESSDENIED;
    }
    if (lockType != 0) {
      int r;
      do {
        r = flock(f, lockType | LOCK_NB);
      } while (r != 0 && errno == EINTR);
      if (r != 0) {
        int e = errno;
        close(f);
        return e == EWOULDBLOCK ? win::STG_E_SHAREVIOLATION : win::STG_E_LOCKVIOLATION;
      }
      if (HeldByRecordLock(f, lockType)) {
        close(f);
        return win::STG_E_SHAREVIOLATION;
      }
    }
    if (lockType == 0 || SameFile(f, path)) {
      *fd = f;
      return win::S_OK;
    }
    close(f);
    flags &= ~O_EXCL;
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
std::string SaveTarget(const char* path) {
  char* real = realpath(path, nullptr);
  if (!real) return path;
  std::string target = real;
  free(real);
  return target;
}

uint64_t Now() {
  // FILETIME: 100-nanosecond units since 1601-01-01.
  constexpr uint64_t kEpochDifference = 116444736000000000ull;
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return kEpochDifference + static_cast<uint64_t>(ts.tv_sec) * 10000000ull +
         static_cast<uint64_t>(ts.tv_nsec) / 100;
}

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
  int flags = file->writable_ && !file->transacted_ ? O_RDWR : O_RDONLY;
  file->lockType_ = LockFor(mode, file->writable_);
  win::HRESULT hr = OpenLocked(path, flags, file->lockType_, &file->fd_);
  if (hr != win::S_OK) return hr;
  file->path_ = SaveTarget(path);
  hr = Volume::Open(file->fd_, &file->volume_);
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
  file->lockType_ = LockFor(mode, true);
  file->root_ = std::make_shared<Node>();
  file->root_->type = kTypeRoot;
  file->root_->name = u"Root Entry";
  file->dirty_ = true;
  const bool replace = (mode & win::STGM_CREATE) != 0;
  struct stat st;
  win::HRESULT hr = win::STG_E_FILEALREADYEXISTS;
  // A new file comes into being complete: the empty compound file is
  // written beside the name and linked to it, so no process ever sees it
  // empty or half written, and a creator that finds the name taken
  // meanwhile does not replace what another put there.
  if (stat(path, &st) != 0) {
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
  hr = OpenLocked(path, O_RDWR, file->lockType_, &file->fd_);
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
  if (fd_ >= 0) close(fd_);
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
  win::HRESULT hr = Volume::Open(fd_, &volume);
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
  // Renaming would replace a file that may not be written (a transacted
  // file is opened read-only, so its permission is checked only here).
  if (access(path_.c_str(), W_OK) != 0 && errno != ENOENT) return win::STG_E_ACCESSDENIED;
  const std::string folder = Folder(path_);
  // Temporary files that killed saves left here go first, those of this
  // file's earlier "NAME.XXXXXX" naming too; a live writer keeps its own.
  platform::SweepTempFiles(folder, path_.substr(path_.rfind('/') + 1));
  std::string temp;
  int tfd = platform::CreateTempFile(folder, 0666, &temp);
  if (tfd < 0) return FromErrno(errno);
  std::unique_ptr<Volume> fresh;
  std::vector<std::pair<Node*, uint32_t>> placed;
  win::HRESULT hr = win::S_OK;
  try {
    DropUnreadable(*this, *root_);
    hr = SerializeTree(tfd, *root_, this, SerializeOptions{majorVersion_}, &placed);
  } catch (const std::bad_alloc&) {
    hr = win::STG_E_INSUFFICIENTMEMORY;
  }
  struct stat st;
  if (hr == win::S_OK && fd_ >= 0 && fstat(fd_, &st) == 0) fchmod(tfd, st.st_mode & 07777);
  if (hr == win::S_OK && fsync(tfd) != 0) hr = FromErrno(errno);
  // The new file carries the file's lock before anyone can open it by name
  // (the temporary file is created under an exclusive one).
  if (hr == win::S_OK && lockType_ != LOCK_EX && flock(tfd, lockType_ | LOCK_NB) != 0) {
    hr = win::STG_E_LOCKVIOLATION;
  }
  if (hr == win::S_OK) hr = Volume::Open(tfd, &fresh);
  if (hr == win::S_OK) hr = Install(temp, createOnly);
  if (hr != win::S_OK) {
    close(tfd);
    unlink(temp.c_str());
    return hr == win::STG_E_FILENOTFOUND ? win::STG_E_WRITEFAULT : hr;
  }
  int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    close(dfd);
  }
  for (auto& [node, start] : placed) {
    node->start = start;
    node->resident = node->size == 0;
    std::vector<uint8_t>().swap(node->data);
    node->extent.reset();
  }
  fresh->DropDirectory();  // the tree in memory is already the saved one
  volume_ = std::move(fresh);
  if (fd_ >= 0) close(fd_);
  fd_ = tfd;
  dirty_ = false;
  return win::S_OK;
}

// A saved file replaces the old one by rename. A created one must not
// replace anything: it is hard-linked to its name, which fails when the
// name is taken, and the temporary name is dropped. A file system without
// hard links gets the rename, after a last look at the name.
win::HRESULT CompoundFile::Install(const std::string& temp, bool createOnly) {
  if (!createOnly) return rename(temp.c_str(), path_.c_str()) == 0 ? win::S_OK : FromErrno(errno);
  if (link(temp.c_str(), path_.c_str()) == 0) {
    unlink(temp.c_str());
    return win::S_OK;
  }
  if (errno == EEXIST) return win::STG_E_FILEALREADYEXISTS;
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != EMLINK) {
    return FromErrno(errno);
  }
  struct stat st;
  if (lstat(path_.c_str(), &st) == 0) return win::STG_E_FILEALREADYEXISTS;
  return rename(temp.c_str(), path_.c_str()) == 0 ? win::S_OK : FromErrno(errno);
}

uint64_t FileTimeNow() { return Now(); }

}  // namespace cfb
