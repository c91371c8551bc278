// Shared fixtures of the package tests: a scratch directory, hooks that record what
// the package code posts and how long it would pause, and package builders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "package/package_os.h"
#include "package/package_writer.h"

namespace fs = std::filesystem;

// A fresh directory, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    static int serial = 0;
    path_ = fs::temp_directory_path() /
            ("tandrel-pkg-test-" + std::to_string(Pid()) + "-" + std::to_string(++serial));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    // Read-only leftovers must not keep the directory alive.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  // The directory as the package code takes it: narrow, with a trailing separator.
  std::string dir() const { return path_.string() + Separator(); }

  static const char* Separator() {
#ifdef _WIN32
    return "\\";
#else
    return "/";
#endif
  }

 private:
  static long Pid();
  fs::path path_;
};

// Installs recording hooks for its lifetime; pauses are recorded, never slept.
class Recorder {
 public:
  Recorder() {
    package_os::Hooks h;
    h.progress = [](void* c, void* window, uint32_t percent) {
      auto* self = static_cast<Recorder*>(c);
      self->posts.push_back(percent);
      self->windows.push_back(window);
    };
    h.sleep = [](void* c, unsigned ms) { static_cast<Recorder*>(c)->pauses.push_back(ms); };
    h.readLimit = [](void* c, uint32_t wanted) {
      auto* self = static_cast<Recorder*>(c);
      if (self->readPieces.empty()) return wanted;
      uint32_t piece = self->readPieces.front();
      self->readPieces.pop_front();
      return piece < wanted ? piece : wanted;
    };
    h.context = this;
    package_os::SetHooks(h);
  }
  ~Recorder() { package_os::SetHooks(package_os::Hooks()); }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  std::vector<uint32_t> posts;
  std::vector<void*> windows;
  std::vector<unsigned> pauses;
  std::deque<uint32_t> readPieces;  // caps of the next reads, header read first
};

inline void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct FileSpec {
  std::string name;
  std::string content;
};

// A well-formed payload: the records in the given order, then the contents.
inline std::vector<uint8_t> BuildPayload(const std::vector<FileSpec>& files) {
  std::vector<uint8_t> payload(4, 0);
  uint32_t count = uint32_t(files.size());
  for (int i = 0; i < 4; ++i) payload[i] = uint8_t(count >> (8 * i));
  uint32_t offset = uint32_t(4 + 268 * files.size());
  for (const FileSpec& f : files) {
    EXPECT_TRUE(AppendPackageRecord(payload, f.name, offset, uint32_t(f.content.size())));
    offset += uint32_t(f.content.size());
  }
  for (const FileSpec& f : files) payload.insert(payload.end(), f.content.begin(), f.content.end());
  return payload;
}

inline void WritePackage(const fs::path& path, const std::vector<uint8_t>& payload) {
  WriteBytes(path, EncryptPackage(payload, uint32_t(payload.size())));
}

inline void WritePackage(const fs::path& path, const std::vector<FileSpec>& files) {
  WritePackage(path, BuildPayload(files));
}

inline void StoreLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
}
