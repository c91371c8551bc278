// Writing packages (the publisher's side): file table records and the encrypted body.
// Not linked into the installer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "package/aes128.h"
#include "package/package_extractor.h"

// Appends one 268-byte record; false when name does not fit 259 bytes.
bool AppendPackageRecord(std::vector<uint8_t>& payload, const std::string& name, uint32_t offset,
                         uint32_t size);

// Streams a payload into a package file: the 8-byte header, then the body encrypted
// block by block, its last block padded with zeros.
class PackageWriter {
 public:
  explicit PackageWriter(FILE* out, const char* password = kPackagePassword);
  bool Begin(uint32_t payloadLength);
  bool Write(const void* data, size_t length);
  bool Finish();
  uint64_t bodyBytes() const { return bodyBytes_; }

 private:
  bool Flush(size_t length);

  FILE* out_;
  Aes128 aes_;
  std::vector<uint8_t> pending_;
  uint64_t bodyBytes_ = 0;
  bool ok_ = true;
};

// The whole package file for a payload in memory; payloadLength goes into the header as is.
std::vector<uint8_t> EncryptPackage(const std::vector<uint8_t>& payload, uint32_t payloadLength,
                                    const char* password = kPackagePassword);
