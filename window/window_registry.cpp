#include "window/window_registry.h"

#include <cstdint>
#include <map>

#include "window/installer_window.h"

namespace {

using Map = std::map<uintptr_t, fgWin32Dialog*>;
Map* gMap = nullptr;

Map& Instance() {
  if (!gMap) gMap = new Map;
  return *gMap;
}

uintptr_t Key(HWND window) { return reinterpret_cast<uintptr_t>(window); }

}  // namespace

fgWin32Dialog* WindowRegistry::Lookup(HWND window) {
  Map& map = Instance();
  auto found = map.find(Key(window));
  return found == map.end() ? nullptr : found->second;
}

void WindowRegistry::Register(HWND window, fgWin32Dialog* object) { Instance()[Key(window)] = object; }

void WindowRegistry::Unregister(HWND window) {
  if (gMap) gMap->erase(Key(window));
}

void WindowRegistry::Free() {
  delete gMap;
  gMap = nullptr;
}

bool WindowRegistry::Exists() { return gMap != nullptr; }

LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (fgWin32Dialog* object = WindowRegistry::Lookup(window))
    return object->WindowProc(message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
