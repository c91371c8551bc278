#include "package/package_writer.h"

#include <cstring>

namespace {

constexpr size_t kChunk = 1 << 20;

void StoreLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace

bool AppendPackageRecord(std::vector<uint8_t>& payload, const std::string& name, uint32_t offset,
                         uint32_t size) {
  if (name.size() >= 260 || name.find('\0') != std::string::npos) return false;
  uint8_t record[268] = {};
  std::memcpy(record, name.data(), name.size());
  StoreLe32(record + 260, offset);
  StoreLe32(record + 264, size);
  payload.insert(payload.end(), record, record + sizeof record);
  return true;
}

PackageWriter::PackageWriter(FILE* out, const char* password) : out_(out) {
  uint8_t key[16];
  DerivePackageKey(password, std::strlen(password), key);
  aes_.SetEncryptKey(key);
  pending_.reserve(kChunk);
}

bool PackageWriter::Begin(uint32_t payloadLength) {
  uint8_t header[8] = {};
  StoreLe32(header, payloadLength);
  ok_ = std::fwrite(header, sizeof header, 1, out_) == 1;
  return ok_;
}

bool PackageWriter::Flush(size_t length) {
  aes_.EncryptBlocks(pending_.data(), length / 16);
  if (length > 0 && std::fwrite(pending_.data(), length, 1, out_) != 1) ok_ = false;
  bodyBytes_ += length;
  pending_.erase(pending_.begin(), pending_.begin() + length);
  return ok_;
}

bool PackageWriter::Write(const void* data, size_t length) {
  const uint8_t* in = static_cast<const uint8_t*>(data);
  while (length > 0 && ok_) {
    size_t take = kChunk - pending_.size() < length ? kChunk - pending_.size() : length;
    pending_.insert(pending_.end(), in, in + take);
    in += take;
    length -= take;
    if (pending_.size() == kChunk) Flush(kChunk);
  }
  return ok_;
}

bool PackageWriter::Finish() {
  if (pending_.size() % 16 != 0) pending_.resize((pending_.size() + 15) / 16 * 16, 0);
  Flush(pending_.size());
  if (std::fflush(out_) != 0) ok_ = false;
  return ok_;
}

std::vector<uint8_t> EncryptPackage(const std::vector<uint8_t>& payload, uint32_t payloadLength,
                                    const char* password) {
  std::vector<uint8_t> file(8 + (payload.size() + 15) / 16 * 16, 0);
  StoreLe32(file.data(), payloadLength);
  if (!payload.empty()) std::memcpy(file.data() + 8, payload.data(), payload.size());
  uint8_t key[16];
  DerivePackageKey(password, std::strlen(password), key);
  Aes128 aes;
  aes.SetEncryptKey(key);
  aes.EncryptBlocks(file.data() + 8, (file.size() - 8) / 16);
  return file;
}
