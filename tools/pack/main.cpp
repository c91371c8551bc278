// tandrel-pack: builds, lists and unpacks client packages with the installer's own rules.
#include <cstdio>
#include <cstring>

#include "tools/pack/commands.h"
#include "tools/pack/native_names.h"
#include "tools/pack/publish.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const CommandArgs& args);
  const char* summary;
};

const Command kCommands[] = {
    {"pack", RunPack, "pack a folder into an encrypted package"},
    {"list", RunList, "list a package's records and where they install"},
    {"unpack", RunUnpack, "unpack a package exactly as the installer does"},
    {"publish", RunPublish, "write an update-server tree for a client folder"},
};

void PrintUsage(FILE* out) {
  std::fprintf(out, "usage: tandrel-pack <command> [arguments]\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
  std::fprintf(out, "\n'tandrel-pack <command> --help' describes a command.\n"
                    "exit codes: 0 success, 1 bad package or I/O failure, 2 usage\n");
}

}  // namespace

bool WantsHelp(const CommandArgs& args) {
  for (const std::string& a : args) {
    if (a == "-h" || a == "--help") return true;
  }
  return false;
}

int main(int argc, char** argv) {
  CommandArgs all = CommandLineArgs(argc, argv);
  if (all.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  if (all[0] == "-h" || all[0] == "--help" || all[0] == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const Command& c : kCommands) {
    if (all[0] == c.name) return c.run(CommandArgs(all.begin() + 1, all.end()));
  }
  std::fprintf(stderr, "tandrel-pack: unknown command '%s'\n\n", all[0].c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
