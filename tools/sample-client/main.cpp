// The stand-in game client: a small lobby window that the installer starts, finds by
// its title and closes. It leaves started.txt beside itself as proof of the start.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kClassName[] = "TandrelGameLobby";
const char kDefaultTitle[] = "Tandrel";
const UINT_PTR kExitTimer = 1;
const UINT_PTR kAnimationTimer = 2;
const int kClientWidth = 640;
const int kClientHeight = 400;

const char* const kRooms[] = {"斗地主", "中国象棋", "围棋", "四国军棋", "五子棋", "升级"};

struct Lobby {
  char title[512];
  HFONT titleFont = nullptr;
  HFONT textFont = nullptr;
  int tick = 0;
};

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  void Write(const char* text) const {
    DWORD written = 0;
    WriteFile(h_, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  }

 private:
  HANDLE h_;
};

// The folder of this program, with its trailing backslash; false if it does not fit.
bool ExeDir(char* out, size_t size) {
  DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(size));
  if (n == 0 || n >= size) return false;
  char* slash = strrchr(out, '\\');
  if (!slash) return false;
  slash[1] = '\0';
  return true;
}

// The title the installer looks for: [config] ProductTitle of the uninstaller's ini.
void ReadTitle(const char* exeDir, char* title, size_t size) {
  snprintf(title, size, "%s", kDefaultTitle);
  char ini[MAX_PATH];
  int n = snprintf(ini, sizeof ini, "%suninstall\\uninstall.ini", exeDir);
  if (n < 0 || static_cast<size_t>(n) >= sizeof ini) return;
  char value[256] = {};
  GetPrivateProfileStringA("config", "ProductTitle", "", value, sizeof value, ini);
  if (value[0]) snprintf(title, size, "%s", value);
}

void WriteProof(const char* exeDir, const char* title) {
  char path[MAX_PATH];
  int n = snprintf(path, sizeof path, "%sstarted.txt", exeDir);
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) return;
  FileHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return;
  // The command line can be far longer than any fixed buffer, so it goes out as is.
  file.Write("cmdline=");
  file.Write(GetCommandLineA());
  char cwd[MAX_PATH] = {};
  DWORD len = GetCurrentDirectoryA(sizeof cwd, cwd);
  if (len >= sizeof cwd) cwd[0] = '\0';
  file.Write("\ncwd=");
  file.Write(cwd);
  file.Write("\ntitle=");
  file.Write(title);
  char pid[32];
  snprintf(pid, sizeof pid, "\npid=%lu\n", GetCurrentProcessId());
  file.Write(pid);
}

UINT ExitAfterMs() {
  char value[32] = {};
  DWORD n = GetEnvironmentVariableA("TANDREL_CLIENT_EXIT_AFTER_MS", value, sizeof value);
  if (n == 0 || n >= sizeof value) return 0;
  char* end = nullptr;
  unsigned long ms = strtoul(value, &end, 10);
  if (end == value || *end != '\0' || ms == 0 || ms > 0x7FFFFFFF) return 0;
  return static_cast<UINT>(ms);
}

void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  RECT r = {left, top, right, bottom};
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void FillVertical(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  TRIVERTEX v[2] = {
      {r.left, r.top, static_cast<COLOR16>(GetRValue(top) << 8),
       static_cast<COLOR16>(GetGValue(top) << 8), static_cast<COLOR16>(GetBValue(top) << 8), 0},
      {r.right, r.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
       static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8),
       0},
  };
  GRADIENT_RECT g = {0, 1};
  GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
}

void PaintText(HDC dc, HFONT font, COLORREF color, int x, int y, const char* text) {
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, color);
  TextOutA(dc, x, y, text, static_cast<int>(strlen(text)));
  SelectObject(dc, old);
}

void PaintLobby(HDC dc, const Lobby& lobby, int width, int height) {
  RECT all = {0, 0, width, height};
  FillVertical(dc, all, RGB(18, 74, 52), RGB(8, 36, 26));
  RECT header = {0, 0, width, 64};
  FillVertical(dc, header, RGB(196, 46, 38), RGB(140, 24, 20));
  SetBkMode(dc, TRANSPARENT);
  PaintText(dc, lobby.titleFont, RGB(255, 236, 170), 24, 14, "Tandrel 游戏大厅");

  // Room tiles, two rows of three.
  const int tileW = 176, tileH = 72, gap = 22, left = 30, top = 92;
  for (int i = 0; i < static_cast<int>(sizeof kRooms / sizeof kRooms[0]); ++i) {
    int x = left + (i % 3) * (tileW + gap);
    int y = top + (i / 3) * (tileH + gap);
    FillSolid(dc, x + 3, y + 3, x + tileW + 3, y + tileH + 3, RGB(4, 20, 14));
    RECT tile = {x, y, x + tileW, y + tileH};
    FillVertical(dc, tile, RGB(250, 244, 226), RGB(224, 210, 176));
    PaintText(dc, lobby.textFont, RGB(96, 40, 16), x + 16, y + 14, kRooms[i]);
    PaintText(dc, lobby.textFont, RGB(120, 110, 90), x + 16, y + 40, "房间准备中");
  }

  // Connection status with a running bar.
  const int barTop = height - 70;
  PaintText(dc, lobby.textFont, RGB(230, 240, 230), 30, barTop - 30, "正在连接服务器…");
  FillSolid(dc, 30, barTop, width - 30, barTop + 14, RGB(4, 24, 16));
  int span = width - 60, piece = span / 4;
  int pos = (lobby.tick * 12) % (span + piece) - piece;
  int a = pos < 0 ? 0 : pos, b = pos + piece > span ? span : pos + piece;
  if (b > a) FillSolid(dc, 30 + a, barTop + 2, 30 + b, barTop + 12, RGB(250, 196, 60));
  PaintText(dc, lobby.textFont, RGB(150, 180, 160), 30, height - 36, "版本 1.0  ·  客服热线 400-000-0000");
}

void OnPaint(HWND hwnd, const Lobby& lobby) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  int w = client.right, h = client.bottom;
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
  if (mem && bitmap) {
    HGDIOBJ old = SelectObject(mem, bitmap);
    PaintLobby(mem, lobby, w, h);
    BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (mem) DeleteDC(mem);
  EndPaint(hwnd, &ps);
}

HFONT MakeFont(int height, int weight) {
  return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "SimSun");
}

LRESULT CALLBACK LobbyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Lobby* lobby = reinterpret_cast<Lobby*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (lobby) {
        OnPaint(hwnd, *lobby);
        return 0;
      }
      break;
    case WM_TIMER:
      if (wp == kExitTimer) {
        KillTimer(hwnd, kExitTimer);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
      } else if (wp == kAnimationTimer && lobby) {
        ++lobby->tick;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  Lobby lobby;
  char exeDir[MAX_PATH] = {};
  if (!ExeDir(exeDir, sizeof exeDir)) exeDir[0] = '\0';
  ReadTitle(exeDir, lobby.title, sizeof lobby.title);
  if (exeDir[0]) WriteProof(exeDir, lobby.title);

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = LobbyProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = kClassName;
  if (!RegisterClassExA(&wc)) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&frame, style, FALSE);
  int w = frame.right - frame.left, h = frame.bottom - frame.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;

  lobby.titleFont = MakeFont(28, FW_BOLD);
  lobby.textFont = MakeFont(16, FW_NORMAL);
  HWND hwnd = CreateWindowExA(0, kClassName, lobby.title, style, x, y, w, h, nullptr, nullptr,
                              instance, &lobby);
  int exitCode = 1;
  if (hwnd) {
    if (UINT ms = ExitAfterMs()) SetTimer(hwnd, kExitTimer, ms, nullptr);
    SetTimer(hwnd, kAnimationTimer, 80, nullptr);
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    exitCode = 0;
  }
  if (lobby.titleFont) DeleteObject(lobby.titleFont);
  if (lobby.textFont) DeleteObject(lobby.textFont);
  return exitCode;
}
