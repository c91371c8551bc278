// libFuzzer target: a decrypted package body as an installer would meet it.
// Input: 4 bytes of declared payloadLength, then the body.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/package_check.h"
#include "package/package_extractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 || size > (1u << 24)) return 0;
  uint32_t declared;
  std::memcpy(&declared, data, 4);
  // An exact-size heap copy, so reads past the body are caught.
  std::vector<uint8_t> body(data + 4, data + size);
  const uint32_t bodyLength = uint32_t(body.size());

  PackageTable trusting;
  ParsePackageTable(bodyLength, body.data(), trusting);

  PackageCheck check = CheckPackagePayload(body.data(), declared, bodyLength);
  if (check.fault != PackageFault::kNone) return 0;
  PackageTable table;
  ParsePackageTable(declared, body.data(), table);
  if (table.empty()) abort();  // a sound package has entries
  for (const auto& [key, entry] : table) {
    if (uint64_t(entry.offset) + entry.size > bodyLength) abort();
    std::string target = JoinPath("C:\\Games\\Client\\", StripFirstComponent(key));
    if (target.compare(0, 16, "C:\\Games\\Client\\") != 0) abort();
    if (!IsContainedPath(StripFirstComponent(key))) abort();
  }
  return 0;
}
