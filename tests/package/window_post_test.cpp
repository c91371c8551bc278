// Windows only: progress reaches a real window as posted WM_INSTALL_PROGRESS messages.
#include <windows.h>

#include "tests/package/test_support.h"

namespace {

constexpr UINT kProgressMessage = 20000;

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Everything waiting in this thread's queue, without dispatching it.
std::vector<Posted> Drain() {
  std::vector<Posted> out;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    out.push_back({msg.hwnd, msg.message, msg.wParam, msg.lParam});
  }
  return out;
}

TEST(ProgressWindow, ExtractionPostsTheRecordedSequenceToTheWindow) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TandrelPackageTestWindow";
  RegisterClassA(&wc);
  // Message-only: needs no display.
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  Drain();

  ScratchDir dir;
  WritePackage(dir.path() / "pkg.dat", {{"t\\a", "1"}, {"t\\b", "2"}, {"t\\c", std::string(3000, 'c')}});
  std::vector<uint32_t> expected;
  {
    Recorder rec;
    PackageExtractor extractor;
    ASSERT_EQ(0, extractor.ExtractPackage("pkg.dat", dir.dir()));
    expected = rec.posts;
  }

  // The real post; only the pauses are skipped.
  package_os::Hooks hooks;
  hooks.sleep = [](void*, unsigned) {};
  package_os::SetHooks(hooks);
  PackageExtractor extractor;
  extractor.notifyWindow = window;
  EXPECT_EQ(0, extractor.ExtractPackage("pkg.dat", dir.dir()));
  package_os::SetHooks(package_os::Hooks());

  std::vector<uint32_t> seen;
  for (const Posted& p : Drain()) {
    if (p.message != kProgressMessage) continue;
    EXPECT_EQ(p.window, window);
    EXPECT_EQ(p.wParam, 0u);
    seen.push_back(uint32_t(p.lParam));
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(seen.back(), 100u);
  DestroyWindow(window);
}

}  // namespace
