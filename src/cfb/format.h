// The on-disk constants of the compound file format and little-endian field
// access. Every number the format defines lives here under a name.
#pragma once

#include <cstdint>
#include <cstring>

namespace cfb {

// Special sector numbers in the FAT, the DIFAT and the directory.
constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Header layout.
constexpr size_t kHeaderSize = 512;
constexpr size_t kHdrMinorVersion = 0x18;
constexpr size_t kHdrMajorVersion = 0x1A;
constexpr size_t kHdrByteOrder = 0x1C;
constexpr size_t kHdrSectorShift = 0x1E;
constexpr size_t kHdrMiniSectorShift = 0x20;
constexpr size_t kHdrDirSectorCount = 0x28;
constexpr size_t kHdrFatSectorCount = 0x2C;
constexpr size_t kHdrFirstDirSector = 0x30;
constexpr size_t kHdrMiniCutoff = 0x38;
constexpr size_t kHdrFirstMiniFatSector = 0x3C;
constexpr size_t kHdrMiniFatSectorCount = 0x40;
constexpr size_t kHdrFirstDifatSector = 0x44;
constexpr size_t kHdrDifatSectorCount = 0x48;
constexpr size_t kHdrDifat = 0x4C;
constexpr uint32_t kHeaderDifatEntries = 109;

constexpr uint16_t kMinorVersion = 0x3E;
constexpr uint16_t kByteOrderMark = 0xFFFE;
constexpr uint16_t kSectorShiftV3 = 9;
constexpr uint16_t kSectorShiftV4 = 12;
// Sector shifts accepted when reading; the header, not the version, decides.
constexpr uint16_t kMinSectorShift = 7;
constexpr uint16_t kMaxSectorShift = 16;
constexpr uint16_t kMiniSectorShift = 6;
constexpr uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
// Streams shorter than this live in the mini stream.
constexpr uint32_t kMiniStreamCutoff = 4096;

// Directory entry layout.
constexpr size_t kDirEntrySize = 128;
constexpr size_t kDirName = 0x00;
constexpr size_t kDirNameBytes = 64;
constexpr size_t kDirNameLength = 0x40;
constexpr size_t kDirType = 0x42;
constexpr size_t kDirColor = 0x43;
constexpr size_t kDirLeft = 0x44;
constexpr size_t kDirRight = 0x48;
constexpr size_t kDirChild = 0x4C;
constexpr size_t kDirClsid = 0x50;
constexpr size_t kDirStateBits = 0x60;
constexpr size_t kDirCreationTime = 0x64;
constexpr size_t kDirModifiedTime = 0x6C;
constexpr size_t kDirStart = 0x74;
constexpr size_t kDirSize = 0x78;
// A name holds at most 31 units and its terminator.
constexpr size_t kMaxNameLength = 31;

constexpr uint8_t kTypeUnused = 0;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kColorRed = 0;
constexpr uint8_t kColorBlack = 1;

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) {
  return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(uint8_t* p, uint64_t v) {
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace cfb
