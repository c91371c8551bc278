// AES-128 block cipher (FIPS-197), ECB use only: every 16-byte block on its own.
// Key and block bytes are in FIPS-197 order. Portable C++, table driven.
#pragma once

#include <cstddef>
#include <cstdint>

class Aes128 {
 public:
  // Prepares the inverse-cipher schedule (equivalent inverse cipher).
  void SetDecryptKey(const uint8_t key[16]);
  // Prepares the forward-cipher schedule.
  void SetEncryptKey(const uint8_t key[16]);

  // In place; length is blockCount * 16 bytes. Needs the matching schedule.
  void DecryptBlocks(uint8_t* data, size_t blockCount) const;
  void EncryptBlocks(uint8_t* data, size_t blockCount) const;

 private:
  uint32_t roundKeys_[44];
};
