// The XML declaration that begins every document of the catalog model.
#pragma once

#include <string_view>

namespace catalog {

// Every XmlDocument starts its output with these 38 bytes. A constant rather
// than a mutable global, so no document can be built before it is set.
inline constexpr std::string_view XmlHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

static_assert(XmlHeader.size() == 38);

}  // namespace catalog
