// One open compound file: the OS file and its lock, the volume being read,
// the tree model and the rules for saving it. Storages and streams hold it
// by shared pointer, so the file stays open while any of them lives.
//
// Saving. A modified file is never patched in place. The whole tree is
// written into a temporary file beside the original, flushed to disk and
// renamed over it, so a crash or a full disk at any moment leaves either the
// old or the new file, each complete. Creating works the same way: the new
// file appears under its name only once it is whole, and an existing file
// that is created anew keeps its old bytes until then. Temporary files that
// a killed save left are removed by the next save in the folder
// (platform/temp_file.h). Unchanged streams are copied from the
// old file, which also compacts it: no sector is ever leaked. A save costs
// time in proportion to the whole file, which suits the small files that
// are written (the settings store); large files are only read. New files
// are version 3 with 512-byte sectors; a saved file keeps its version. A
// stream whose chain was already broken in the file opened is saved empty.
//
// Locking. Sharing modes are advisory locks on the file itself
// (exclusive for STGM_SHARE_EXCLUSIVE and the deny modes that keep others
// out, shared otherwise). A lock belongs to the open file, so a second open
// in this same process conflicts as well. A save replaces the
// file's inode, so the lock moves with it: the new file is locked before it
// is renamed into place and the old one is unlocked only afterwards, and an
// opener that locked a file checks that the path still names the inode it
// locked (else it lost a race with a save and tries again). A POSIX record
// lock that another holder keeps on the file shuts an opener out as well.
//
// Modes. Transacted files keep every change in memory and are written only
// by an explicit Commit of the root; the OS file is opened read-only, so
// reading the old history file can never change it. Direct-mode writable
// files are saved on every Commit of a stream or storage and when the last
// handle goes. (Saving on every handle release would rewrite the whole file
// once per element when many are created: quadratic.)
#pragma once

#include <memory>
#include <string>

#include "base/win_types.h"
#include "cfb/serializer.h"
#include "cfb/tree.h"
#include "cfb/volume.h"
#include "platform/env.h"

namespace cfb {

// The largest stream the engine keeps in memory or writes.
constexpr uint64_t kMaxStreamSize = 0xFFFFFFFFull;

// The current time as a FILETIME (100 ns units since 1601).
uint64_t FileTimeNow();

class CompoundFile : private ContentSource {
 public:
  static win::HRESULT Open(const char* path, win::DWORD mode, std::shared_ptr<CompoundFile>* out);
  static win::HRESULT Create(const char* path, win::DWORD mode,
                             std::shared_ptr<CompoundFile>* out);
  ~CompoundFile();
  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;

  const std::shared_ptr<Node>& root() const { return root_; }
  // Whether elements may be changed at all (in memory for transacted files).
  bool writable() const { return writable_; }
  bool transacted() const { return transacted_; }

  // Finds where a stream's bytes are; fails for a corrupt chain.
  win::HRESULT Prepare(Node& stream);
  // Reads n bytes at offset, which the caller keeps within the stream.
  win::HRESULT ReadStream(Node& stream, uint64_t offset, void* buf, size_t n);
  // Loads a stream's bytes into its node before they are changed.
  win::HRESULT MakeResident(Node& stream);

  void MarkDirty() { dirty_ = true; }
  // Commit of a storage or stream: direct files are saved when changed;
  // transacted files only by their root.
  win::HRESULT Commit(bool fromRoot);
  // Discards uncommitted changes of a transacted file.
  win::HRESULT Revert();

 private:
  CompoundFile() = default;
  bool Read(const Node& stream, uint64_t offset, void* buf, size_t n) override;
  // Writes the whole tree into a new file and puts it in place of path_;
  // createOnly puts it only where no file is (STG_E_FILEALREADYEXISTS).
  win::HRESULT Save(bool createOnly = false);
  win::HRESULT Install(const std::string& temp, bool createOnly);

  std::string path_;
  std::unique_ptr<platform::File> file_;
  platform::LockKind lock_ = platform::LockKind::kShared;
  bool writable_ = false;
  bool transacted_ = false;
  bool dirty_ = false;
  uint16_t majorVersion_ = 3;
  std::unique_ptr<Volume> volume_;
  std::shared_ptr<Node> root_;
};

}  // namespace cfb
