// The on-disk constants of the compound file format. Every number the format
// defines lives here under a name; its fields are read and written with
// base/little_endian.h.
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

}  // namespace cfb
