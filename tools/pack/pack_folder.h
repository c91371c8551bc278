// Packing a folder into a package file, for `pack` and any command that publishes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct PackOptions {
  // First component of every record; empty: the folder's own name.
  std::string top;  // as typed on the command line
  // Called with 0..100 while contents are written; may be empty.
  std::function<void(uint32_t percent)> progress;
};

struct PackedFile {
  std::filesystem::path source;
  std::string name;  // the record name: GBK, backslashes, top folder first
  uint64_t size = 0;
};

struct PackResult {
  std::vector<PackedFile> files;  // in record order
  uint64_t unpackedBytes = 0;     // sum of the file sizes
  uint64_t packageBytes = 0;      // size of the written package
  std::string error;              // set when the call returns false
};

// Collects and checks the records without writing anything.
bool PlanPackage(const std::filesystem::path& folder, const PackOptions& options, PackResult& result);
// Writes the package; the output is removed again when anything fails.
bool PackFolder(const std::filesystem::path& folder, const std::filesystem::path& output,
                const PackOptions& options, PackResult& result);
