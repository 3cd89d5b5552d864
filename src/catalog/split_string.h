// Splits a byte string at any of a set of separator bytes.
#pragma once

#include <string>
#include <vector>

namespace catalog {

// The non-empty runs of text between separators, in order. Every byte of
// separators is one; nothing is trimmed. Works on bytes, so in a double-byte
// code page a trail byte equal to a separator splits its character.
std::vector<std::string> SplitString(const std::string& text, const std::string& separators);

}  // namespace catalog
