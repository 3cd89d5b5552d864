// The new installation's seed-file folder, with its trailing backslash
// (new installation directory + "\Profiles\Torrents\"), narrow, in the system
// ANSI code page. The driver sets it before the history is converted; every
// old seed-file name is put behind it. Process-wide, like NewDatabasePath.
#pragma once

#include <string>

extern std::string NewTorrentsDir;
