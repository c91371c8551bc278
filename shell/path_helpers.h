// Path and drive helpers shared by the window and the engine.
#pragma once

// The system drive root ("C:\") into buffer; capacity below 4 is raised to 4 and
// the buffer left alone.
void GetSystemDriveRoot(char* buffer, int& capacity);
// Creates every directory along path (backslash or slash separated). Always true.
bool CreateDirectoryTree(const char* path);
// KiB available to the user on the drive named by path's first two characters,
// clamped to INT_MAX; -1 when the drive cannot be queried.
int GetFreeDiskSpaceKB(const char* path);
// True when path, ignoring one trailing separator, ends with name (and is longer).
bool PathEndsWith(const char* path, const char* name);
