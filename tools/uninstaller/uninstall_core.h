// The uninstaller's steps, apart from its message boxes, so tests can drive them.
//
//   command line   "<dir>\uninstall\<name>.exe" "/U:<dir>\uninstall\uninstall.ini" [/S]
//                  "<temp copy>" /FINISH:<pid> "/EXE:<original exe>" "/DIR:<setupdir>"
//   uninstall.ini  [config] setupdir, gamename, shortcutname, ProductTitle
//   exit codes     kExitOk, kExitIncomplete, kExitRefused, kExitCancelled (below)
#pragma once

#include <windows.h>

// Everything removed (the helper copy finishes the uninstaller's own file).
constexpr int kExitOk = 0;
// Some files or folders could not be removed (in use, access denied, path too long).
constexpr int kExitIncomplete = 1;
// Bad command line, unreadable ini or an unsafe install folder: nothing was touched.
constexpr int kExitRefused = 2;
// The user answered no.
constexpr int kExitCancelled = 3;

struct UninstallArgs {
  char iniPath[MAX_PATH] = {};
  bool silent = false;
  // Helper mode: the original process to wait for, its exe and the install folder.
  DWORD finishPid = 0;
  char finishExe[MAX_PATH] = {};
  char finishDir[MAX_PATH] = {};
};

// Why nothing was removed.
enum Refusal {
  REFUSAL_NONE = 0,
  REFUSAL_USAGE,         // unknown switch, or no /U: and no /FINISH:
  REFUSAL_INI_MISSING,   // the ini cannot be opened
  REFUSAL_INI_INVALID,   // a value is missing, too long or not a plain name
  REFUSAL_UNSAFE_DIR,    // setupdir is a drive root, a system or profile folder, or a link
  REFUSAL_NO_PROGRAM,    // setupdir does not hold <shortcutname>.exe
};

struct UninstallConfig {
  char setupdir[MAX_PATH] = {};  // full path, no trailing backslash
  char gamename[MAX_PATH] = {};
  char shortcutname[MAX_PATH] = {};
  char ProductTitle[MAX_PATH] = {};
};

// Parses argv (argv[0] is the program). False on anything it does not know.
bool ParseUninstallArgs(int argc, char** argv, UninstallArgs& args);

// Reads and checks the ini and the folder it names. On REFUSAL_NONE config is
// complete and safe to remove; otherwise config holds what could be read.
Refusal LoadUninstallConfig(const char* iniPath, UninstallConfig& config);

// Normalises path into out (full, backslashes, no trailing backslash). False when it is
// not an absolute drive path or does not fit.
bool NormalizeFolder(const char* path, char* out, size_t outSize);
// True when folder (normalised) must never be removed: a drive root, a folder that holds
// a system or profile folder, or anything inside the Windows folder.
bool IsProtectedFolder(const char* folder);
// True when path lies strictly below folder (both normalised, case-insensitive).
bool IsInsideFolder(const char* path, const char* folder);
// A single file-name component: not empty, no separators, colons or wildcards, not "." or "..".
bool IsPlainName(const char* name);

// Asks a running client (top-level window titled title) to close and waits a little
// for its process to end, so its files can go.
void CloseRunningClient(const char* title);
// Desktop link, both program groups and the uninstall key.
void RemoveShellEntries(const UninstallConfig& config);
// Removes folder and everything below it without following links; keep (may be null)
// is left in place together with the folders above it. Returns the number of entries
// that could not be removed, keep and its folders not counted.
int RemoveFolderTree(const char* folder, const char* keep);

// Copies the running exe to the temp folder and starts it in helper mode. False when
// the copy or the start failed.
bool StartFinisher(const char* ownExe, const char* setupdir);
// Helper mode: waits for the original, removes its exe and the emptied folders up to
// setupdir, then schedules its own deletion.
int RunFinisher(const UninstallArgs& args);
