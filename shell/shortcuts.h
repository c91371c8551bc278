// Desktop and Start-menu shortcuts.
#pragma once

enum ShortcutLocation {
  SHORTCUT_DESKTOP = 0,
  SHORTCUT_PROGRAMS = 1,
  SHORTCUT_COMMON_PROGRAMS = 2,  // deletion only; creation falls back to the desktop
};

// name is relative to the location's folder, without ".lnk"; with isFolder the
// folder is created instead and target is unused.
bool CreateShortcut(const char* target, const char* name, int location, bool isFolder);
void DeleteShortcut(const char* name, int location, bool isFolder);
// Removes path and everything below it, depth first; failures are ignored.
void RemoveDirectoryTree(const char* path);
