// Small owners for GDI handles, so every paint path releases what it created.
#pragma once

#include <windows.h>

// Deletes a pen, brush, font, bitmap or region when it goes out of scope.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T handle) : handle_(handle) {}
  ~GdiObject() { Reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  void Reset(T handle = nullptr) {
    if (handle_) DeleteObject(handle_);
    handle_ = handle;
  }
  // Gives up ownership, e.g. after SetWindowRgn took the region.
  T Release() {
    T handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  T Get() const { return handle_; }
  operator T() const { return handle_; }

 private:
  T handle_ = nullptr;
};

// A memory DC; the selections made through SelectIn are undone before deletion.
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {
    if (dc_) saved_ = SaveDC(dc_);
  }
  ~MemoryDC() {
    if (!dc_) return;
    if (saved_) RestoreDC(dc_, saved_);
    DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  HDC Get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
  int saved_ = 0;
};

// GetDC/ReleaseDC pair for a window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectIn {
 public:
  SelectIn(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectIn() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectIn(const SelectIn&) = delete;
  SelectIn& operator=(const SelectIn&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};
