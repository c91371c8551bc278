#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "package/package_check.h"
#include "package/package_extractor.h"
#include "package/package_os.h"
#include "tools/pack/commands.h"
#include "tools/pack/native_names.h"

namespace {

const char kHelp[] =
    "usage: tandrel-pack list <file>\n"
    "\n"
    "Decrypts a package and prints each record in table order: its offset and size\n"
    "in the payload, and the path below the installation directory it installs to.\n"
    "Records replaced by a later one with the same lower-cased name, and records\n"
    "without a folder, are marked. A damaged or foreign file is reported and exits 1.\n";

uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct BufferDeleter {
  void operator()(uint8_t* p) const { FreePackageBuffer(p); }
};

}  // namespace

int RunList(const CommandArgs& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }
  const std::string& path = args[0];
  package_os::SetHooks(package_os::Hooks{[](void*, void*, uint32_t) {}, [](void*, unsigned) {},
                                         nullptr, nullptr, false});

  PackageExtractor extractor;
  uint32_t payloadLength = 0, bodyLength = 0;
  std::unique_ptr<uint8_t, BufferDeleter> payload(
      extractor.DecryptPackage(kPackagePassword, path.c_str(), payloadLength, bodyLength));
  PackageCheck check;
  if (!payload) {
    check.fault = PackageFault::kUnreadable;
  } else {
    check = CheckPackagePayload(payload.get(), payloadLength, bodyLength);
  }
  if (check.fault != PackageFault::kNone) {
    std::fprintf(stderr, "tandrel-pack list: %s: not a sound package: %s", path.c_str(),
                 DescribePackageFault(check.fault));
    if (check.record >= 0) std::fprintf(stderr, " (record %d)", check.record);
    std::fputc('\n', stderr);
    return kExitFailure;
  }

  uint32_t count = LoadLe32(payload.get());
  std::map<std::string, uint32_t> lastRecordOfKey;
  for (uint32_t i = 0; i < count; ++i) {
    const char* name = reinterpret_cast<const char*>(payload.get() + 4 + uint64_t(kRecordSize) * i);
    lastRecordOfKey[LowerAsciiBytes(name)] = i;
  }
  std::printf("%10s %10s  %s\n", "offset", "size", "installs to");
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = payload.get() + 4 + uint64_t(kRecordSize) * i;
    std::string key = LowerAsciiBytes(reinterpret_cast<const char*>(record));
    std::string relative = StripFirstComponent(key);
    std::string shown = relative.empty() ? GbkForDisplay(reinterpret_cast<const char*>(record))
                                         : GbkForDisplay(relative.substr(1));
    const char* note = "";
    if (relative.empty() || relative == "\\") {
      note = "  (no folder: not installed)";
    } else if (lastRecordOfKey[key] != i) {
      note = "  (replaced by a later record)";
    }
    std::printf("%10u %10u  %s%s\n", LoadLe32(record + kRecordNameSize),
                LoadLe32(record + kRecordNameSize + 4), shown.c_str(), note);
  }
  std::printf("%u records, %zu installed paths, payload %u bytes\n", count, lastRecordOfKey.size(),
              payloadLength);
  return kExitOk;
}
