// The fixed path buffers of the run. Every path is a directory followed by a
// suffix, held in a zero-filled buffer of 1024 bytes. The run hands some of
// them to SHFileOperationA, which reads a list ending in two NULs, so a path
// may hold at most 1022 characters: the zero fill supplies both NULs.
#pragma once

#include <cstddef>

namespace driver {

inline constexpr std::size_t kPathBufferSize = 1024;
inline constexpr std::size_t kMaxPathChars = kPathBufferSize - 2;

using PathBuffer = char[kPathBufferSize];

// Zero-fills out, then writes directory + suffix into it. When the two do not
// fit in kMaxPathChars the buffer stays empty and the result is false: a
// path cut short would name some other file, so the caller treats it as not
// found and skips what needed it.
bool BuildPath(PathBuffer& out, const char* directory, const char* suffix);

}  // namespace driver
