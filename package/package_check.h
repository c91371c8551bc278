// Whole-package checks made before anything is written: a package is either
// installed by its rules or refused as a whole.
#pragma once

#include <cstdint>
#include <string>

enum class PackageFault {
  kNone,
  kUnreadable,           // cannot be opened, or its size is not 8 + a multiple of 16
  kPayloadBeyondBody,    // payloadLength larger than the decrypted body
  kTableDoesNotFit,      // recordCount <= 0, or the records overrun payloadLength
  kNameUnterminated,     // no NUL within a record's 260 name bytes
  kRecordOutOfBounds,    // offset + size beyond payloadLength
  kPathLeavesInstallDir  // "..", a drive or stream colon, or an absolute path
};

struct PackageCheck {
  PackageFault fault = PackageFault::kNone;
  int32_t record = -1;  // table index of the offending record, if any
};

constexpr uint32_t kRecordSize = 268;
constexpr uint32_t kRecordNameSize = 260;

// payload may be null when both lengths are 0.
PackageCheck CheckPackagePayload(const uint8_t* payload, uint32_t payloadLength,
                                 uint32_t bodyLength);
// Whether a path below the installation directory (StripFirstComponent's result) stays there.
bool IsContainedPath(const std::string& relative);
const char* DescribePackageFault(PackageFault fault);

// The table key of a record name: bytes 'A'..'Z' lowered, every other byte kept.
std::string LowerAsciiBytes(std::string name);
