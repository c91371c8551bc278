// MD5 message digest (RFC 1321). Caller-owned context, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

class MD5_CTX {
 public:
  MD5_CTX();
  virtual ~MD5_CTX() = default;

  void Init();
  void Update(const void* data, size_t length);
  // Writes the 16-byte digest, then leaves the context freshly initialised.
  void Final(uint8_t digest[16]);

  uint32_t state[4];
  uint32_t count[2];  // message length in bits, low word first
  uint8_t buffer[64];
  uint8_t padding[64];

 private:
  void Transform(const uint8_t block[64]);
};
