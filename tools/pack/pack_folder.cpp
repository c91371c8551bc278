#include "tools/pack/pack_folder.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <system_error>

#include "package/package_check.h"
#include "package/package_writer.h"
#include "tools/pack/native_names.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMaxPackageFile = 0xFFFFFFFFull;  // the installer reads a 32-bit size

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::string Shown(const fs::path& p) { return PathForDisplay(p); }

bool Fail(PackResult& result, const std::string& message) {
  result.error = message;
  return false;
}

// The record name of a file below folder: top, then each component in GBK.
bool RecordName(const std::string& top, const fs::path& relative, std::string& name,
                std::string& error) {
  name = top;
  for (const fs::path& part : relative) {
    std::string gbk;
    if (!NativeNameToGbk(part, gbk)) {
      error = "cannot be written in GBK (code page 936)";
      return false;
    }
    if (gbk.find('\\') != std::string::npos) {
      error = "holds a backslash, the package's separator";
      return false;
    }
    name += '\\';
    name += gbk;
  }
  if (name.size() > 259) {
    error = "gives a record name of " + std::to_string(name.size()) + " bytes; 259 fit";
    return false;
  }
  if (!IsContainedPath(StripFirstComponent(name))) {
    error = "would be refused by the installer (colon, or a name of dots)";
    return false;
  }
  return true;
}

}  // namespace

bool PlanPackage(const fs::path& folder, const PackOptions& options, PackResult& result) {
  result = PackResult();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return Fail(result, Shown(folder) + ": not a folder");

  std::string top;
  if (!options.top.empty()) {
    if (!ArgToGbk(options.top, top)) return Fail(result, "--top cannot be written in GBK");
  } else {
    fs::path base = fs::absolute(folder, ec).lexically_normal();
    if (!base.has_filename()) base = base.parent_path();
    if (!NativeNameToGbk(base.filename(), top))
      return Fail(result, Shown(folder) + ": folder name cannot be written in GBK; use --top");
  }
  if (top.empty() || top.find('\\') != std::string::npos || top.find('/') != std::string::npos)
    return Fail(result, "the top folder name must be one non-empty component");

  fs::recursive_directory_iterator it(folder, ec), end;
  if (ec) return Fail(result, Shown(folder) + ": " + ec.message());
  for (; it != end; it.increment(ec)) {
    if (ec) return Fail(result, Shown(folder) + ": " + ec.message());
    if (!it->is_regular_file(ec)) continue;
    PackedFile file;
    file.source = it->path();
    std::string why;
    if (!RecordName(top, fs::relative(it->path(), folder, ec), file.name, why))
      return Fail(result, Shown(it->path()) + ": " + why);
    file.size = it->file_size(ec);
    if (ec) return Fail(result, Shown(it->path()) + ": " + ec.message());
    result.files.push_back(file);
    result.unpackedBytes += file.size;
  }
  if (result.files.empty()) return Fail(result, Shown(folder) + ": no files to pack");

  // The installer's key order; the same folder always gives the same bytes.
  std::sort(result.files.begin(), result.files.end(), [](const PackedFile& a, const PackedFile& b) {
    return LowerAsciiBytes(a.name) < LowerAsciiBytes(b.name);
  });
  for (size_t i = 1; i < result.files.size(); ++i) {
    if (LowerAsciiBytes(result.files[i - 1].name) == LowerAsciiBytes(result.files[i].name)) {
      return Fail(result, Shown(result.files[i - 1].source) + " and " +
                              Shown(result.files[i].source) +
                              " differ only in letter case; the installer lower-cases names");
    }
  }

  uint64_t payload = 4 + uint64_t(kRecordSize) * result.files.size() + result.unpackedBytes;
  uint64_t fileSize = 8 + (payload + 15) / 16 * 16;
  if (result.files.size() > uint64_t(INT32_MAX) || fileSize > kMaxPackageFile)
    return Fail(result, "the package would be " + std::to_string(fileSize) +
                            " bytes; its 32-bit fields hold at most 4294967295");
  result.packageBytes = fileSize;
  return true;
}

bool PackFolder(const fs::path& folder, const fs::path& output, const PackOptions& options,
                PackResult& result) {
  std::error_code ec;
  if (!PlanPackage(folder, options, result)) return false;
  // A stale copy of the output inside the folder must not pack itself.
  result.files.erase(std::remove_if(result.files.begin(), result.files.end(),
                                    [&](const PackedFile& f) {
                                      std::error_code e;
                                      return fs::equivalent(f.source, output, e);
                                    }),
                     result.files.end());

  File out(OpenNative(output, "wb"));
  if (!out) return Fail(result, Shown(output) + ": cannot be created");
  auto failed = [&](const std::string& message) {
    out.reset();
    fs::remove(output, ec);
    return Fail(result, message);
  };

  uint64_t contents = 4 + uint64_t(kRecordSize) * result.files.size();
  std::vector<uint8_t> table(4, 0);
  uint32_t count = uint32_t(result.files.size());
  for (int i = 0; i < 4; ++i) table[i] = uint8_t(count >> (8 * i));
  uint64_t total = 0;
  for (const PackedFile& f : result.files) {
    AppendPackageRecord(table, f.name, uint32_t(contents + total), uint32_t(f.size));
    total += f.size;
  }
  result.unpackedBytes = total;

  PackageWriter writer(out.get());
  if (!writer.Begin(uint32_t(contents + total)) || !writer.Write(table.data(), table.size()))
    return failed(Shown(output) + ": write failed");

  std::vector<char> chunk(1 << 20);
  uint64_t done = 0;
  for (const PackedFile& f : result.files) {
    File in(OpenNative(f.source, "rb"));
    if (!in) return failed(Shown(f.source) + ": cannot be read");
    uint64_t left = f.size;
    while (left > 0) {
      size_t want = left < chunk.size() ? size_t(left) : chunk.size();
      size_t got = std::fread(chunk.data(), 1, want, in.get());
      if (got != want) return failed(Shown(f.source) + ": changed or unreadable while packing");
      if (!writer.Write(chunk.data(), got)) return failed(Shown(output) + ": write failed");
      left -= got;
      done += got;
      if (options.progress && total > 0) options.progress(uint32_t(done * 100 / total));
    }
  }
  if (!writer.Finish()) return failed(Shown(output) + ": write failed");
  if (std::fclose(out.release()) != 0) {
    fs::remove(output, ec);
    return Fail(result, Shown(output) + ": write failed");
  }
  result.packageBytes = 8 + writer.bodyBytes();
  return true;
}
