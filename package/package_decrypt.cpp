#include <cstring>
#include <new>

#include "package/aes128.h"
#include "package/md5.h"
#include "package/package_extractor.h"
#include "package/package_os.h"

const char kPackagePassword[] = "580274";

namespace {

class ScopedFile {
 public:
  explicit ScopedFile(package_os::FileHandle h) : h_(h) {}
  ~ScopedFile() {
    if (h_ != package_os::kInvalidFile) package_os::CloseFile(h_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  package_os::FileHandle get() const { return h_; }

 private:
  package_os::FileHandle h_;
};

// Posts v when it differs from the last value, then pauses so the window can paint.
void Advance(void* window, uint32_t v, uint32_t& last) {
  if (v == last) return;
  package_os::PostProgress(window, v);
  last = v;
  package_os::Pause(20);
}

}  // namespace

void DerivePackageKey(const char* password, size_t length, uint8_t key[16]) {
  MD5_CTX md5;
  md5.Update(password, length);
  uint8_t d[16];
  md5.Final(d);
  for (int i = 0; i < 16; ++i) {
    if (d[i] == 0) d[i] = uint8_t(i);
    if (i % 3 == 0) d[i] ^= 0x11;
  }
  std::memcpy(key, d, 16);
}

void FreePackageBuffer(uint8_t* buffer) { delete[] buffer; }

uint8_t* PackageExtractor::DecryptPackage(const char* password, const char* packagePath,
                                          uint32_t& payloadLength) {
  uint32_t bodyLength = 0;
  return DecryptPackage(password, packagePath, payloadLength, bodyLength);
}

uint8_t* PackageExtractor::DecryptPackage(const char* password, const char* packagePath,
                                          uint32_t& payloadLength, uint32_t& bodyLength) {
  ScopedFile file(package_os::OpenForRead(packagePath));
  if (file.get() == package_os::kInvalidFile) return nullptr;

  uint32_t fileSize = package_os::FileSizeLow(file.get());
  uint8_t header[8] = {};
  uint32_t got = 0;
  package_os::ReadFrom(file.get(), header, sizeof header, &got);

  // Modulo 2^32 like the size itself; files under 8 bytes never pass.
  const uint32_t body = fileSize - 8u;
  if (body % 16 != 0) return nullptr;

  uint8_t* buffer = new (std::nothrow) uint8_t[body];
  if (!buffer) return nullptr;
  payloadLength = uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 |
                  uint32_t(header[3]) << 24;
  bodyLength = body;

  // Percentages use whole KiB once there is one, so they stay inside 32 bits.
  const uint32_t kb = body / 1024;
  auto percent = [&](uint32_t at) { return kb > 0 ? ((at / 1024) * 100) / kb : (at * 100) / body; };
  uint32_t last = 25;

  uint32_t done = 0;
  while (done < body) {
    got = 0;
    if (!package_os::ReadFrom(file.get(), buffer + done, body - done, &got) || got == 0) break;
    done += got;
    Advance(notifyWindow, percent(done) / 4, last);
  }
  package_os::PostProgress(notifyWindow, 25);

  uint8_t key[16];
  DerivePackageKey(password, std::strlen(password), key);
  Aes128 aes;
  aes.SetDecryptKey(key);
  std::memset(key, 0, sizeof key);

  // The value only changes with the KiB of a block (or with each block below 1 KiB),
  // so whole steps are decrypted at once and reported as their first block.
  const uint32_t step = kb > 0 ? 1024 : 16;
  for (uint32_t pos = 0; pos < body; pos += step) {
    uint32_t n = body - pos < step ? body - pos : step;
    aes.DecryptBlocks(buffer + pos, n / 16);
    Advance(notifyWindow, percent(pos) / 4 + 25, last);
  }
  package_os::PostProgress(notifyWindow, 50);
  return buffer;
}
