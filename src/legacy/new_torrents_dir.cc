#include "legacy/new_torrents_dir.h"

namespace legacy {

std::string NewTorrentsDir;

}  // namespace legacy
