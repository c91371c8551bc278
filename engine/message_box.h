// The one door through which the engine shows a box, so that a test or the
// headless driver can answer boxes instead of a user.
#pragma once

#include <windows.h>

using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Defaults to MessageBoxA. Set it before the worker starts; it is read, never locked.
extern MessageBoxFunction g_engineMessageBox;

inline int EngineMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return g_engineMessageBox(owner, text, caption, type);
}
