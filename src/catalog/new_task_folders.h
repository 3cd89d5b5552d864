// The run's catalog step: the old new-task folder list and default folder
// go into the folder catalog, which is then written as Category.xml.
#pragma once

namespace catalog {

// oldSettingsPath is the old UserConfig.ini, categoryXmlPath the new
// installation's Components\category\Category.xml; both ANSI Windows paths.
// Folders that the history conversion added before stay in the catalog.
// True when Category.xml now holds the catalog.
bool RebuildCatalog(const char* oldSettingsPath, const char* categoryXmlPath);

}  // namespace catalog
