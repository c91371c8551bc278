// tandrel-pack's subcommands. Each lives in its own file; main.cpp lists them in
// one table, so a new command is one line there.
#pragma once

#include <string>
#include <vector>

// Exit codes shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // bad package or I/O failure
constexpr int kExitUsage = 2;

using CommandArgs = std::vector<std::string>;  // arguments after the command name

int RunPack(const CommandArgs& args);
int RunList(const CommandArgs& args);
int RunUnpack(const CommandArgs& args);

// True when args holds -h or --help.
bool WantsHelp(const CommandArgs& args);
