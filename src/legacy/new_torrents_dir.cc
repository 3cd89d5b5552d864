#include "legacy/new_torrents_dir.h"

std::string NewTorrentsDir;
