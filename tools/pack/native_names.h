// Where tandrel-pack meets the host's file names: package names are GBK (code page
// 936) with backslashes; Linux names are UTF-8, Windows names are UTF-16.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// The command line as UTF-8 on Linux, in the ANSI code page on Windows.
std::vector<std::string> CommandLineArgs(int argc, char** argv);
// A path named on the command line.
std::filesystem::path PathFromArg(const std::string& arg);
// One file-name component (or a --top argument) in GBK; false when it has no GBK form.
bool NativeNameToGbk(const std::filesystem::path& name, std::string& gbk);
bool ArgToGbk(const std::string& arg, std::string& gbk);
// A GBK package name as the terminal shows it.
std::string GbkForDisplay(const std::string& gbk);
// A directory as the package library's file calls take it (see SetPackageNameHooks).
bool DirForPackageLibrary(const std::filesystem::path& dir, std::string& narrow);
// Makes the library's file calls take GBK names (a no-op where the code page is GBK).
void UseGbkFileNames(bool on);
// A path for messages, in the terminal's encoding.
std::string PathForDisplay(const std::filesystem::path& path);
FILE* OpenNative(const std::filesystem::path& path, const char* mode);
bool IsTerminal(FILE* stream);
