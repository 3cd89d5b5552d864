// Temporary files beside a file that is being replaced whole: the file
// copy, ReplaceFileAtomically and the compound-file engine's save each write
// the new bytes into one of these and rename it over the target, so the
// target is always either the old file or the new one, complete.
//
// A temporary file has a short name of one fixed shape, ".~tmp" and sixteen
// hex digits (the writer's process id and a counter), so it fits beside any
// name and a later run can tell it from the user's files. Its writer holds
// an exclusive flock on it for as long as the name exists; a temporary file
// that nobody holds was left by a writer that died, and SweepTempFiles
// removes it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace platform {

inline constexpr std::string_view kTempPrefix = ".~tmp";
inline constexpr size_t kTempDigits = 16;

bool IsTempName(std::string_view name);
// Whether a name of a folder listing is a temporary file, of this version
// or an earlier one (the copy's "NAME.copy-PID-N", the replacement's
// ".NAME.tmp-PID-N").
bool IsAnyTempName(std::string_view name);

// Creates a new temporary file in folder with the given permissions (less
// the umask), open for writing and locked; its path goes to *path.
IoStatus CreateTempFile(const std::string& folder, uint32_t permissions, std::string* path,
                        std::unique_ptr<File>* file);

// Removes the temporary files in folder that their writers left when they
// died. oldStem, when given, also takes in the "STEM.XXXXXX" names that
// earlier compound-file saves used for the file STEM.
void SweepTempFiles(const std::string& folder, std::string_view oldStem = {});

}  // namespace platform
