// The new installation's seed-file folder, with its trailing backslash
// (new installation directory + "\Profiles\Torrents\"). The driver sets it
// before the history is converted; every old seed-file name is put behind it.
#pragma once

#include <string>

namespace legacy {

extern std::string NewTorrentsDir;

}  // namespace legacy
