// Builds small, valid PE images (PE32 or PE32+) whose only content is an
// optional version resource, for tests and for sample installations. The
// image has an MZ stub, the PE headers and one section; with a version
// resource that section is .rsrc holding the RT_VERSION tree and a
// VS_VERSIONINFO block with VS_FIXEDFILEINFO, one StringTable
// (ProductVersion, FileVersion) and VarFileInfo\Translation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pegen {

struct PeSpec {
  // UTF-8 text; a dotted "a.b.c.d" also fills VS_FIXEDFILEINFO.
  std::string productVersion = "5.9.1.100";
  std::string fileVersion;  // empty: the product version
  uint16_t language = 0x0804;
  uint16_t codePage = 0x03A8;  // 936
  bool pe32plus = false;
  bool withVersionResource = true;
  bool withTranslation = true;
  // The StringTable's key; empty: language and code page as 8 upper-case
  // hex digits ("080403A8"), as resource compilers write it.
  std::string stringTableKey;
  // Further languages, each with a block of its own (the StringTable key
  // and the translation follow each language).
  std::vector<uint16_t> moreLanguages;
};

// The bytes of the image file.
std::string BuildPe(const PeSpec& pe);

}  // namespace pegen
