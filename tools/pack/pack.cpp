#include <cstdio>

#include "tools/pack/commands.h"
#include "tools/pack/native_names.h"
#include "tools/pack/pack_folder.h"
#include "tools/pack/progress_bar.h"

namespace {

constexpr uint64_t kBarThreshold = 16ull << 20;  // smaller folders pack in a blink

const char kHelp[] =
    "usage: tandrel-pack pack <folder> -o <file> [--top NAME]\n"
    "\n"
    "Packs every file below <folder> into an encrypted package. Records are named\n"
    "<top>\\<path with backslashes> in GBK; <top> is the folder's own name unless\n"
    "--top gives another. The installer drops <top> and lower-cases the rest.\n"
    "The same folder always gives the same bytes.\n"
    "\n"
    "Refused: names that differ only in letter case, names longer than 259 bytes\n"
    "or without a GBK form, and packages beyond 4 GiB.\n";

}  // namespace

int RunPack(const CommandArgs& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  std::string folder, output;
  PackOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "-o" || a == "--top") && i + 1 < args.size()) {
      (a == "-o" ? output : options.top) = args[++i];
    } else if (!a.empty() && a[0] != '-' && folder.empty()) {
      folder = a;
    } else {
      std::fprintf(stderr, "tandrel-pack pack: unexpected argument '%s'\n\n%s", a.c_str(), kHelp);
      return kExitUsage;
    }
  }
  if (folder.empty() || output.empty()) {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }

  PackResult plan;
  if (!PlanPackage(PathFromArg(folder), options, plan)) {
    std::fprintf(stderr, "tandrel-pack pack: %s\n", plan.error.c_str());
    return kExitFailure;
  }
  ProgressBar bar("packing", IsTerminal(stderr) && plan.unpackedBytes >= kBarThreshold);
  options.progress = [&bar](uint32_t percent) { bar.Show(percent); };
  PackResult result;
  bool ok = PackFolder(PathFromArg(folder), PathFromArg(output), options, result);
  bar.Done();
  if (!ok) {
    std::fprintf(stderr, "tandrel-pack pack: %s\n", result.error.c_str());
    return kExitFailure;
  }
  std::printf("packed %zu files, %llu bytes, into %s (%llu bytes)\n", result.files.size(),
              static_cast<unsigned long long>(result.unpackedBytes), output.c_str(),
              static_cast<unsigned long long>(result.packageBytes));
  return kExitOk;
}
