// An independent check of the files the engine writes: the layout the
// system's own implementation produces and a valid red-black directory.
#pragma once

#include <string>

namespace cfbtest {

// "" when the image is laid out as expected, else the problems found.
std::string CheckLayout(const std::string& image);

}  // namespace cfbtest
