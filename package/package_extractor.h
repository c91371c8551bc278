// Reading, decrypting and unpacking a client package.
//
//   file:    [0] u32 payloadLength  [4] u32 unused  [8] AES-128-ECB body, 16*k bytes
//   payload: [0] i32 recordCount  [4] PackageRecord x recordCount  [..] file contents
//   record:  [0] char name[260] (NUL-terminated, GBK, backslashes)
//            [260] u32 offset (from payload start)  [264] u32 size
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

struct PackageCheck;

// Every package is encrypted under the key derived from this password.
extern const char kPackagePassword[];

struct PackageEntry {
  uint32_t offset;
  uint32_t size;
};

// Lower-cased record name -> entry, in byte-wise order.
using PackageTable = std::map<std::string, PackageEntry>;

// MD5 of the password bytes, then bytes that are 0 become their index, and every
// third byte (0, 3, ..., 15) is XORed with 0x11.
void DerivePackageKey(const char* password, size_t length, uint8_t key[16]);

// Fills table from a decrypted payload; leaves it empty when the table does not fit.
void ParsePackageTable(uint32_t payloadLength, const uint8_t* payload, PackageTable& table);

// base and relative joined with exactly one backslash.
std::string JoinPath(std::string base, std::string relative);
// The suffix of name from its first backslash on, or "" when it has none.
std::string StripFirstComponent(const std::string& name);

// Receives WM_INSTALL_PROGRESS; notifyWindow is an HWND on Windows, opaque elsewhere.
struct PackageExtractor {
  void* notifyWindow = nullptr;

  // The decrypted body (file size - 8 bytes) or null; the caller frees it with
  // FreePackageBuffer. payloadLength is written only when a buffer is returned.
  uint8_t* DecryptPackage(const char* password, const char* packagePath, uint32_t& payloadLength);
  // The same, also telling the body length (written with payloadLength).
  uint8_t* DecryptPackage(const char* password, const char* packagePath, uint32_t& payloadLength,
                          uint32_t& bodyLength);
  // 0 when the table held entries and all were processed; 1 when nothing could be read,
  // or when any record is damaged or would land outside installDir (nothing is written).
  int ExtractPackage(std::string packageName, std::string installDir);
  // The same for a package given by its own path; why, when given, tells a refusal's cause.
  int ExtractPackageFile(const std::string& packagePath, const std::string& installDir,
                         PackageCheck* why = nullptr);
};

void FreePackageBuffer(uint8_t* buffer);
