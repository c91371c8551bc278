// Window handle -> window object, and the one window procedure that routes to it.
#pragma once

#include <windows.h>

class fgWin32Dialog;

// Process-wide ordered map, created by the first lookup or registration. Used on the
// window thread only.
class WindowRegistry {
 public:
  // The object of window, or null when there is none.
  static fgWin32Dialog* Lookup(HWND window);
  // Inserts or overwrites.
  static void Register(HWND window, fgWin32Dialog* object);
  // Erases the entry; nothing when the map does not exist.
  static void Unregister(HWND window);
  // Erases everything and releases the map.
  static void Free();
  static bool Exists();
};

// The class procedure: forwards to the registered object's WindowProc; messages
// sent before registration (during CreateWindowExA) get minimal handling here.
LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
