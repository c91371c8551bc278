#include "window/skin_button.h"

#include <algorithm>
#include <cstring>

#include "window/gdi_holders.h"

namespace {

const char kButtonProperty[] = "CWINBUTTON";

HPEN FramePen(int width, COLORREF colour) { return CreatePen(PS_INSIDEFRAME, width, colour); }

}  // namespace

CWINButton::CWINButton()
    : outlinePen(FramePen(1, RGB(255, 255, 255))),
      hotPens{FramePen(3, RGB(250, 196, 88)), FramePen(3, RGB(251, 202, 106)),
              FramePen(2, RGB(252, 210, 121)), FramePen(2, RGB(229, 151, 0))},
      focusPens{FramePen(3, RGB(153, 198, 252)), FramePen(3, RGB(162, 189, 252)),
                FramePen(2, RGB(162, 201, 255)), FramePen(2, RGB(162, 201, 255))},
      hotFaceBrush(CreateSolidBrush(RGB(223, 222, 236))),
      faceBrush(CreateSolidBrush(RGB(222, 223, 236))) {}

CWINButton::~CWINButton() {
  if (hwnd && prevWndProc && IsWindow(hwnd)) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevWndProc));
    RemovePropA(hwnd, kButtonProperty);
  }
  DeleteObject(outlinePen);
  for (HPEN pen : hotPens) DeleteObject(pen);
  for (HPEN pen : focusPens) DeleteObject(pen);
  DeleteObject(hotFaceBrush);
  DeleteObject(faceBrush);
}

BOOL CWINButton::Attach(HWND window) {
  if (!IsWindow(window)) return FALSE;
  hwnd = window;
  if (!SetPropA(window, kButtonProperty, this)) {
    OutputDebugStringA("SetProp ERROR");
    return FALSE;
  }
  // Owner-drawn, so the standard procedure never paints a face over ours.
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  SetWindowLongPtrA(window, GWL_STYLE, style | BS_OWNERDRAW);

  RECT client;
  GetClientRect(window, &client);
  HRGN rounded = CreateRoundRectRgn(client.left, client.top, client.right, client.bottom, 5, 5);
  if (rounded && !SetWindowRgn(window, rounded, TRUE)) DeleteObject(rounded);

  // The property is in place before the first message reaches SubclassProc.
  prevWndProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWINButton::SubclassProc)));
  return TRUE;
}

bool CWINButton::SetImage(HINSTANCE module, WORD id) {
  if (!enabled) return false;
  if (HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG"))
    LoadPngResource(module, image, resource);
  if (image.IsNull()) return false;

  SetWindowPos(hwnd, HWND_TOP, 0, 0, image.GetWidth() / 4, image.GetHeight(),
               SWP_NOMOVE | SWP_NOOWNERZORDER);
  BuildRegionFromImage();
  InvalidateRect(hwnd, nullptr, TRUE);
  hasImage = 1;
  return true;
}

void CWINButton::Enable(bool flag) {
  enabled = flag ? 1 : 0;
  EnableWindow(hwnd, flag ? TRUE : FALSE);
  Invalidate();
}

// The shape is the set of non-key pixels of frame 0, one run of a row at a time.
void CWINButton::BuildRegionFromImage() {
  if (image.IsNull()) return;
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  if (!shape) OutputDebugStringA("CreateRectRgn wndRgn ERROR");
  const int frameWidth = image.GetWidth() / 4;
  for (int y = 0; y < image.GetHeight(); ++y) {
    int x = 0;
    while (x < frameWidth) {
      while (x < frameWidth && SkinPixel(image, x, y) == kSkinKeyColor) ++x;
      const int start = x;
      while (x < frameWidth && SkinPixel(image, x, y) != kSkinKeyColor) ++x;
      if (start < x) {
        GdiObject<HRGN> run(CreateRectRgn(start, y, x, y + 1));
        if (!run) OutputDebugStringA("CreateRectRgn temp ERROR");
        if (shape && run && CombineRgn(shape, shape, run, RGN_OR) == ERROR)
          OutputDebugStringA("CombineRgn ERROR");
      }
    }
  }
  if (shape && !SetWindowRgn(hwnd, shape, TRUE)) DeleteObject(shape);
}

LRESULT CALLBACK CWINButton::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CWINButton*>(GetPropA(window, kButtonProperty));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

void CWINButton::Invalidate() {
  RECT client;
  GetClientRect(hwnd, &client);
  InvalidateRect(hwnd, &client, TRUE);
}

LRESULT CWINButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      focused = 1;
      Invalidate();
      break;
    case WM_KILLFOCUS:
      focused = 0;
      Invalidate();
      break;
    case WM_ENABLE:
      enabled = wParam ? 1 : 0;
      Invalidate();
      break;
    case WM_MOUSEMOVE:
      if (!hover) {
        hover = 1;
        Invalidate();
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        if (handCursor && enabled) {
          // Without a class cursor the system stops resetting ours over buttons.
          SetClassLongPtrA(hwnd, GCLP_HCURSOR, 0);
          SetCursor(LoadCursorA(nullptr, IDC_HAND));
        }
      }
      break;
    case WM_MOUSELEAVE:
      hover = 0;
      focused = 0;
      Invalidate();
      break;
    case WM_LBUTTONDOWN:
      pressed = 1;
      Invalidate();
      break;
    case WM_LBUTTONUP:
      pressed = 0;
      Invalidate();
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      const int saved = SaveDC(dc);
      GdiObject<HRGN> clip(CreateRectRgn(0, 0, 0, 0));
      if (GetWindowRgn(hwnd, clip) != ERROR && SelectClipRgn(dc, clip) == ERROR)
        OutputDebugStringA("SelectClipRgn ERROR");
      PaintButton(dc);
      RestoreDC(dc, saved);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CHAR:
    case WM_CLOSE:
      OutputDebugStringA("WM_CHAR");
      break;
    case WM_DRAWITEM:
      OutputDebugStringA("WM_DRAWITEM");
      break;
    default:
      break;
  }
  return CallWindowProcA(prevWndProc, hwnd, message, wParam, lParam);
}

ButtonFrame CWINButton::CurrentFrame() const {
  if (!enabled) return FRAME_DISABLED;
  if (pressed) return FRAME_PRESSED;
  if (hover || focused) return FRAME_HOT;
  return FRAME_NORMAL;
}

void CWINButton::PaintButton(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  RECT client;
  GetClientRect(hwnd, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;

  GdiObject<HBITMAP> surface(CreateCompatibleBitmap(dc, width, height));
  MemoryDC memory(dc);
  if (!memory.Get()) {
    OutputDebugStringA("Create MemDc ERROR");
    return;
  }
  SetBkMode(memory, TRANSPARENT);
  SelectObject(memory, surface);  // undone by the DC's RestoreDC

  if (hasImage) {
    SkinDraw(image, memory, width, height, CurrentFrame() * width, width, height);
    DrawCaption(memory, client);
  } else {
    DrawFallbackFace(memory);
  }
  BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}

void CWINButton::DrawCaption(HDC dc, RECT area) {
  char text[256] = {};
  if (GetWindowTextA(hwnd, text, sizeof(text)) > 0) {
    std::memcpy(caption, text, sizeof(caption));
    caption[sizeof(caption) - 1] = '\0';
  }
  if (!caption[0]) return;
  const COLORREF previous = SetTextColor(dc, enabled ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT));
  DrawTextA(dc, caption, -1, &area, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  SetTextColor(dc, previous);
}

void CWINButton::DrawFallbackFace(HDC dc) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  const int ex = GetSystemMetrics(SM_CXEDGE);
  const int ey = GetSystemMetrics(SM_CYEDGE);
  {
    SelectIn outline(dc, outlinePen);
    RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, 5, 5);
  }
  const RECT inner = {rc.left + ex, rc.top + ey, rc.right - ex, rc.bottom - ey};
  const int iw = inner.right - inner.left;
  const int ih = inner.bottom - inner.top;
  {
    SelectIn face(dc, hover ? hotFaceBrush : faceBrush);

    // Light vertical gradient; the divisors give each state its own tint.
    const int rgDivisor = hover ? 4 : 3;
    const int blueDivisor = hover ? (focused ? 3 : 5) : (focused ? 4 : 5);
    if (ih > 0) {
      HBRUSH shades[64];
      for (int i = 0; i < 64; ++i) {
        const int rg = 255 - i / rgDivisor;
        shades[i] = CreateSolidBrush(RGB(rg, rg, 255 - i / blueDivisor));
      }
      for (int y = inner.top; y <= ih + 2; ++y) {
        const RECT row = {inner.left, y, iw + 2, y + 1};
        FillRect(dc, &row, shades[std::min(63, y * 63 / ih)]);
      }
      for (HBRUSH shade : shades) DeleteObject(shade);
    }

    if (hover || focused) {
      const HPEN* pens = hover ? hotPens : focusPens;
      POINT previous;
      HGDIOBJ previousPen = SelectObject(dc, pens[0]);
      MoveToEx(dc, inner.left, inner.bottom - 1, &previous);
      LineTo(dc, inner.left, inner.top + 1);
      SelectObject(dc, pens[1]);
      MoveToEx(dc, inner.right - 1, inner.bottom - 1, nullptr);
      LineTo(dc, inner.right - 1, inner.top);
      SelectObject(dc, pens[2]);
      MoveToEx(dc, inner.left - 1, inner.top, nullptr);
      LineTo(dc, inner.right - 1, inner.top);
      SelectObject(dc, pens[3]);
      MoveToEx(dc, inner.left, inner.bottom, nullptr);
      LineTo(dc, inner.right - 1, inner.bottom);
      SelectObject(dc, previousPen);
      MoveToEx(dc, previous.x, previous.y, nullptr);
      if (focused && !hover) DrawFocusRect(dc, &inner);
    }
  }
  RECT captionArea = inner;
  if (pressed) captionArea = {rc.left + 2, rc.top + 2, rc.right, rc.bottom};
  DrawCaption(dc, captionArea);
}
