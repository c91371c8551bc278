#include <cstring>
#include <memory>

#include "package/package_check.h"
#include "package/package_extractor.h"
#include "package/package_os.h"

namespace {

uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// recordCount when the table fits into payloadLength, else 0.
uint32_t FittingRecordCount(uint32_t payloadLength, const uint8_t* payload) {
  if (payloadLength < 4 || !payload) return 0;
  int32_t count = static_cast<int32_t>(LoadLe32(payload));
  if (count <= 0) return 0;
  if (uint64_t(payloadLength) - 4 < uint64_t(kRecordSize) * uint64_t(count)) return 0;
  return uint32_t(count);
}

struct BufferDeleter {
  void operator()(uint8_t* p) const { FreePackageBuffer(p); }
};

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string LowerAsciiBytes(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = char(c + 0x20);
  }
  return name;
}

std::string JoinPath(std::string base, std::string relative) {
  if (relative.empty()) return base;
  while (!base.empty() && base.back() == '\\') base.pop_back();
  size_t start = relative.find_first_not_of('\\');
  relative.erase(0, start == std::string::npos ? relative.size() : start);
  base += '\\';
  base += relative;
  return base;
}

std::string StripFirstComponent(const std::string& name) {
  size_t slash = name.find('\\');
  return slash == std::string::npos ? std::string() : name.substr(slash);
}

void ParsePackageTable(uint32_t payloadLength, const uint8_t* payload, PackageTable& table) {
  uint32_t count = FittingRecordCount(payloadLength, payload);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = payload + 4 + uint64_t(kRecordSize) * i;
    const char* name = reinterpret_cast<const char*>(record);
    size_t length = 0;
    while (length < kRecordNameSize && name[length] != '\0') ++length;
    table[LowerAsciiBytes(std::string(name, length))] =
        PackageEntry{LoadLe32(record + kRecordNameSize), LoadLe32(record + kRecordNameSize + 4)};
  }
}

bool IsContainedPath(const std::string& relative) {
  if (relative.find(':') != std::string::npos) return false;  // drives, streams
  size_t start = relative.find_first_not_of('\\');
  if (start != std::string::npos && relative[start] == '/') return false;
  // Windows drops trailing dots and spaces of a component, so "..." or ".. " climb too.
  size_t begin = 0;
  while (begin <= relative.size()) {
    size_t end = relative.find_first_of("\\/", begin);
    if (end == std::string::npos) end = relative.size();
    size_t dots = 0;
    bool onlyDotsAndSpaces = end > begin;
    for (size_t i = begin; i < end; ++i) {
      if (relative[i] == '.') {
        ++dots;
      } else if (relative[i] != ' ') {
        onlyDotsAndSpaces = false;
      }
    }
    if (onlyDotsAndSpaces && dots >= 2) return false;
    begin = end + 1;
  }
  return true;
}

PackageCheck CheckPackagePayload(const uint8_t* payload, uint32_t payloadLength,
                                 uint32_t bodyLength) {
  PackageCheck check;
  if (!payload) payloadLength = bodyLength = 0;
  if (payloadLength > bodyLength) {
    check.fault = PackageFault::kPayloadBeyondBody;
    return check;
  }
  uint32_t count = FittingRecordCount(payloadLength, payload);
  if (count == 0) {
    check.fault = PackageFault::kTableDoesNotFit;
    return check;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = payload + 4 + uint64_t(kRecordSize) * i;
    check.record = int32_t(i);
    const void* nul = std::memchr(record, 0, kRecordNameSize);
    if (!nul) {
      check.fault = PackageFault::kNameUnterminated;
      return check;
    }
    uint64_t end = uint64_t(LoadLe32(record + kRecordNameSize)) +
                   LoadLe32(record + kRecordNameSize + 4);
    if (end > payloadLength) {
      check.fault = PackageFault::kRecordOutOfBounds;
      return check;
    }
    std::string name(reinterpret_cast<const char*>(record));
    if (!IsContainedPath(StripFirstComponent(LowerAsciiBytes(name)))) {
      check.fault = PackageFault::kPathLeavesInstallDir;
      return check;
    }
  }
  check.record = -1;
  return check;
}

const char* DescribePackageFault(PackageFault fault) {
  switch (fault) {
    case PackageFault::kNone:
      return "sound";
    case PackageFault::kUnreadable:
      return "cannot be read, or its size is not 8 plus a multiple of 16";
    case PackageFault::kPayloadBeyondBody:
      return "declared payload length exceeds the decrypted body";
    case PackageFault::kTableDoesNotFit:
      return "no file table (wrong password, damaged or not a package)";
    case PackageFault::kNameUnterminated:
      return "record name is not terminated within 260 bytes";
    case PackageFault::kRecordOutOfBounds:
      return "record points beyond the payload";
    case PackageFault::kPathLeavesInstallDir:
      return "record path leaves the installation directory";
  }
  return "unknown fault";
}

int PackageExtractor::ExtractPackage(std::string packageName, std::string installDir) {
  return ExtractPackageFile(JoinPath(installDir, packageName), installDir);
}

int PackageExtractor::ExtractPackageFile(const std::string& packagePath,
                                         const std::string& installDir, PackageCheck* why) {
  uint32_t payloadLength = 0;
  uint32_t bodyLength = 0;
  std::unique_ptr<uint8_t, BufferDeleter> payload(
      DecryptPackage(kPackagePassword, packagePath.c_str(), payloadLength, bodyLength));

  // A hostile or damaged table is refused before the first byte is written.
  PackageCheck check;
  if (!payload) {
    check.fault = PackageFault::kUnreadable;
  } else {
    check = CheckPackagePayload(payload.get(), payloadLength, bodyLength);
  }
  if (why) *why = check;
  if (check.fault != PackageFault::kNone) return 1;
  PackageTable table;
  ParsePackageTable(payloadLength, payload.get(), table);
  if (table.empty()) return 1;

  const uint64_t n = table.size();
  uint32_t last = 50;
  uint64_t written = 0;
  package_os::MakeDirectory(installDir.c_str());

  for (const auto& [key, entry] : table) {
    std::string relative = StripFirstComponent(key);
    // A name without a backslash targets the directory itself, which cannot be written.
    if (relative.empty()) continue;
    for (size_t i = 0; i < relative.size(); ++i) {
      if (relative[i] == '\\')
        package_os::MakeDirectory(JoinPath(installDir, relative.substr(0, i)).c_str());
    }
    std::string target = JoinPath(installDir, relative);
    uint32_t attributes = 0;
    if (package_os::GetAttributes(target.c_str(), &attributes) &&
        (attributes & package_os::kReadOnlyAttribute)) {
      package_os::SetAttributes(target.c_str(), attributes & ~package_os::kReadOnlyAttribute);
    }
    std::unique_ptr<FILE, FileCloser> out(package_os::OpenForWrite(target.c_str()));
    if (!out) continue;
    if (entry.size > 0) std::fwrite(payload.get() + entry.offset, entry.size, 1, out.get());
    out.reset();

    uint32_t v = uint32_t(50 + (50 * written) / n);
    ++written;
    if (v != last) {
      package_os::PostProgress(notifyWindow, v);
      last = v;
      package_os::Pause(10);
    }
  }
  package_os::PostProgress(notifyWindow, 100);
  return 0;
}
