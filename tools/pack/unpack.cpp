#include <cstdio>
#include <filesystem>
#include <system_error>

#include "package/package_check.h"
#include "package/package_extractor.h"
#include "package/package_os.h"
#include "tools/pack/commands.h"
#include "tools/pack/native_names.h"
#include "tools/pack/progress_bar.h"

namespace {

const char kHelp[] =
    "usage: tandrel-pack unpack <file> -C <dir>\n"
    "\n"
    "Unpacks a package into <dir> with the installer's own extraction code: the top\n"
    "folder of each record is dropped, names are lower-cased, later records win, and\n"
    "a package with any unsafe or damaged record is refused before anything is written.\n";

}  // namespace

int RunUnpack(const CommandArgs& args) {
  if (WantsHelp(args)) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  std::string package, dir;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-C" && i + 1 < args.size()) {
      dir = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-' && package.empty()) {
      package = args[i];
    } else {
      std::fprintf(stderr, "tandrel-pack unpack: unexpected argument '%s'\n\n%s", args[i].c_str(),
                   kHelp);
      return kExitUsage;
    }
  }
  if (package.empty() || dir.empty()) {
    std::fputs(kHelp, stderr);
    return kExitUsage;
  }

  std::error_code ec;
  std::filesystem::path target = PathFromArg(dir);
  std::filesystem::create_directories(target, ec);
  if (!std::filesystem::is_directory(target, ec)) {
    std::fprintf(stderr, "tandrel-pack unpack: %s: cannot create the folder\n", dir.c_str());
    return kExitFailure;
  }
  // The library takes names as the installer does; on Linux they reach the disk as UTF-8.
  std::string installDir, packagePath;
  if (!DirForPackageLibrary(target, installDir) ||
      !DirForPackageLibrary(PathFromArg(package), packagePath)) {
    std::fprintf(stderr, "tandrel-pack unpack: paths must have a GBK form\n");
    return kExitFailure;
  }
  UseGbkFileNames(true);

  ProgressBar bar("unpacking", IsTerminal(stderr));
  package_os::Hooks hooks = package_os::GetHooks();
  hooks.context = &bar;
  hooks.progress = [](void* bar, void*, uint32_t percent) {
    static_cast<ProgressBar*>(bar)->Show(percent);
  };
  // The pauses only pace a window's repaint; a terminal does not need them.
  hooks.sleep = [](void*, unsigned) {};
  package_os::SetHooks(hooks);

  PackageExtractor extractor;
  PackageCheck why;
  int rc = extractor.ExtractPackageFile(packagePath, installDir, &why);
  bar.Done();
  if (rc != 0) {
    std::fprintf(stderr, "tandrel-pack unpack: %s: nothing written: %s", package.c_str(),
                 DescribePackageFault(why.fault));
    if (why.record >= 0) std::fprintf(stderr, " (record %d)", why.record);
    std::fputc('\n', stderr);
    return kExitFailure;
  }
  std::printf("unpacked %s into %s\n", package.c_str(), dir.c_str());
  return kExitOk;
}
