#include "catalog/split_string.h"

namespace catalog {

std::vector<std::string> SplitString(const std::string& text, const std::string& separators) {
  std::vector<std::string> items;
  std::string current;
  for (char c : text) {
    if (separators.find(c) != std::string::npos) {
      if (!current.empty()) items.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) items.push_back(std::move(current));
  return items;
}

}  // namespace catalog
