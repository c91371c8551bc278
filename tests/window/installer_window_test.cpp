// The installer window driven by messages: pages, the agreement, the directory
// rules, the install command, close and cancel, and the worker's reports.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "shell/path_helpers.h"
#include "tests/window/window_fixture.h"
#include "window/window_registry.h"

namespace {

const std::set<int> kWelcomeControls = {IDC_INSTALL, IDC_LICENCE, IDC_CUSTOM, IDC_AGREE, IDC_CLOSE,
                                        IDC_MINIMIZE};
const std::set<int> kDirectoryControls = {IDC_BROWSE, IDC_DEFAULT_DIR, IDC_BACK, IDC_PATH,
                                          IDC_INSTALL, IDC_CLOSE, IDC_MINIMIZE};
const std::set<int> kProgressControls = {IDC_PROGRESS, IDC_CANCEL_INSTALL, IDC_CLOSE, IDC_MINIMIZE};

std::string DefaultDir() {
  char root[260] = {};
  int capacity = sizeof(root);
  GetSystemDriveRoot(root, capacity);
  return std::string(root) + "Program Files\\Tandrel\\";
}

}  // namespace

TEST_F(InstallerWindowTest, OpensOnTheWelcomePageWithTheServersValues) {
  ASSERT_TRUE(Open());
  EXPECT_EQ(window->page, PAGE_WELCOME);
  EXPECT_EQ(ShownControls(), kWelcomeControls);
  EXPECT_EQ(SendMessageA(window->hAgreeCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(IsWindowEnabled(window->btnInstall.hwnd));
  EXPECT_TRUE(IsWindowEnabled(window->btnCustom.hwnd));

  EXPECT_STREQ(window->setup.gamename, "Tandrel");
  EXPECT_EQ(window->requiredKB, 16 * 1024);
  EXPECT_GT(window->freeKB, 0);
  EXPECT_EQ(window->defaultDir, DefaultDir());
  EXPECT_STREQ(window->installDir, window->defaultDir);
  EXPECT_EQ(FieldText(), DefaultDir());
  EXPECT_EQ(window->status, STATUS_READING_CONFIG);
  EXPECT_EQ(window->statusText, kStatusText[STATUS_READING_CONFIG]);
  EXPECT_FALSE(window->pathInvalid);
  EXPECT_TRUE(Boxes().empty());

  // The window takes the background's size; the skinned install button one frame of its strip.
  RECT bounds;
  GetWindowRect(window->hWnd, &bounds);
  EXPECT_EQ(bounds.right - bounds.left, 455);
  EXPECT_EQ(bounds.bottom - bounds.top, 325);
  GetClientRect(window->btnInstall.hwnd, &bounds);
  EXPECT_EQ(bounds.right, 133);
  EXPECT_EQ(bounds.bottom, 55);
  // Close has no strip among the test's skins: it keeps its creation size.
  GetClientRect(window->btnClose.hwnd, &bounds);
  EXPECT_EQ(bounds.right, 37);
  EXPECT_EQ(bounds.bottom, 31);
  EXPECT_EQ(window->btnClose.hasImage, 0);
  EXPECT_TRUE(window->btnInstall.handCursor);
  EXPECT_FALSE(window->btnClose.handCursor);
  EXPECT_EQ(WindowRegistry::Lookup(window->hWnd), &*window);
  EXPECT_FALSE(QuitPosted());
}

TEST_F(InstallerWindowTest, VisibleFlagOfCreateDecidesWhetherTheWindowShows) {
  ASSERT_TRUE(Open(WS_VISIBLE));
  EXPECT_TRUE(IsWindowVisible(window->hWnd));
  Close();
  ASSERT_TRUE(Open(0));
  EXPECT_FALSE(IsWindowVisible(window->hWnd));
}

TEST_F(InstallerWindowTest, SetupThatCannotBeLoadedEndsBeforeTheWindowShows) {
  struct Case {
    const char* what;
    bool serverUp;
    std::string setupText;
  } cases[] = {
      {"no size", true, SetupText("Tandrel", "")},
      {"negative size", true, SetupText("Tandrel", "size=-5")},
      {"server down", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearBoxes();
    Server().Serve("/update/online_setup.txt", c.setupText);
    if (!c.serverUp) Server().Stop();
    EXPECT_FALSE(Open(WS_VISIBLE));
    if (!c.serverUp) Server().Start(PortOfUrl(kSetupConfigUrl));

    ASSERT_FALSE(Boxes().empty());
    const BoxRecord& box = Boxes().back();
    EXPECT_EQ(box.text, "无法连接网络");
    EXPECT_EQ(box.caption, "退出");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(box.owner, window->hWnd);
    EXPECT_FALSE(IsWindowVisible(window->hWnd));
    EXPECT_TRUE(QuitPosted());
    Close();
  }
}

TEST_F(InstallerWindowTest, PagesShowTheirOwnControls) {
  ASSERT_TRUE(Open());
  struct Step {
    int command;
    int page;
    const std::set<int>* shown;
  } steps[] = {
      {IDC_CUSTOM, PAGE_DIRECTORY, &kDirectoryControls},
      {IDC_BACK, PAGE_WELCOME, &kWelcomeControls},
      {IDC_CUSTOM, PAGE_DIRECTORY, &kDirectoryControls},
      {IDC_PROGRESS, PAGE_DIRECTORY, &kDirectoryControls},  // does nothing
      {999, PAGE_DIRECTORY, &kDirectoryControls},           // unknown id
      {IDC_INSTALL, PAGE_PROGRESS, &kProgressControls},
      {IDC_BACK, PAGE_WELCOME, &kWelcomeControls},  // the command still works if sent
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    Command(step.command);
    EXPECT_EQ(window->page, step.page);
    EXPECT_EQ(ShownControls(), *step.shown);
  }
  EXPECT_FALSE(QuitPosted());
}

TEST_F(InstallerWindowTest, AgreementBoxEnablesInstallAndCustom) {
  ASSERT_TRUE(Open());
  for (bool agreed : {false, true, false, true}) {
    SCOPED_TRACE(agreed);
    SendMessageA(window->hAgreeCheck, BM_SETCHECK, agreed ? BST_CHECKED : BST_UNCHECKED, 0);
    Command(IDC_AGREE, BN_CLICKED);
    EXPECT_EQ(IsWindowEnabled(window->btnInstall.hwnd) != FALSE, agreed);
    EXPECT_EQ(IsWindowEnabled(window->btnCustom.hwnd) != FALSE, agreed);
    EXPECT_EQ(window->btnInstall.enabled, agreed ? 1 : 0);
    EXPECT_EQ(window->btnCustom.enabled, agreed ? 1 : 0);
    EXPECT_EQ(window->btnInstall.CurrentFrame(), agreed ? FRAME_NORMAL : FRAME_DISABLED);
  }
}

TEST_F(InstallerWindowTest, TypedPathComposesTheInstallDirectory) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  const std::string longFolder = "C:\\" + std::string(250, 'a');  // drive fine, no room for the name
  struct Case {
    std::string typed;
    bool invalid;
    const char* installDir;  // null: unchanged
  } cases[] = {
      {"C:\\Games", false, "C:\\Games\\Tandrel\\"},
      {"C:\\Games\\Tandrel", false, "C:\\Games\\Tandrel\\"},
      {"Z:\\Games\\Tandrel\\", false, "Z:\\Games\\Tandrel\\"},
      {"Z:\\MyTandrel", false, "Z:\\MyTandrel\\"},  // only the end is compared
      {"C:/Games/", false, "C:/Games/Tandrel\\"},
      {"C:\\Games\\tandrel", false, "C:\\Games\\tandrel\\Tandrel\\"},  // case matters
      {"C:", false, "C:\\Tandrel\\"},
      {"Q:\\Games", true, nullptr},  // no such drive
      {"", true, nullptr},
      {"\\\\server\\share", true, nullptr},
      {"C:\\Back", false, "C:\\Back\\Tandrel\\"},  // a good path after bad ones clears the flag
      {longFolder, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::string before = window->installDir;
    window->freeKB = -7;
    Type(c.typed);
    EXPECT_EQ(window->pathInvalid, c.invalid);
    EXPECT_EQ(std::string(window->installDir), c.installDir ? c.installDir : before);
    if (c.invalid) {
      EXPECT_EQ(window->freeKB, -7);
    } else {
      EXPECT_GT(window->freeKB, 0);
    }
    EXPECT_EQ(FieldText(), c.typed);  // the field keeps exactly what was typed
  }
}

TEST_F(InstallerWindowTest, TypedPathOfTwoHundredSixtyCharactersIsTakenBack) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  Type("C:\\Games");
  const std::string typed = "C:\\" + std::string(257, 'b');
  ASSERT_EQ(typed.size(), 260u);
  Type(typed);
  EXPECT_EQ(FieldText(), "C:\\Games\\Tandrel\\");
  EXPECT_STREQ(window->installDir, "C:\\Games\\Tandrel\\");
  EXPECT_FALSE(window->pathInvalid);
}

TEST_F(InstallerWindowTest, TextTheWindowSetsDoesNotRunTheDriveTest) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  // A multi-line field reports EN_CHANGE only for the user's own edits.
  SetWindowTextA(window->hPathEdit, "Q:\\nowhere");
  PumpMessages();
  EXPECT_FALSE(window->pathInvalid);
  EXPECT_EQ(std::string(window->installDir), DefaultDir());
}

TEST_F(InstallerWindowTest, InvalidPathRefusesToInstallUntilAValidOneIsTyped) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  Type("Q:\\Games");
  ASSERT_TRUE(window->pathInvalid);

  Command(IDC_INSTALL);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "指定的路径无效");
  EXPECT_EQ(Boxes()[0].caption, "确认");
  EXPECT_EQ(Boxes()[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(Boxes()[0].owner, window->hWnd);
  EXPECT_EQ(window->page, PAGE_DIRECTORY);
  EXPECT_EQ(window->setup.workerThread, nullptr);

  // Neither the folder dialog nor the default directory clears the flag.
  ChosenFolder() = "C:\\Games";
  Command(IDC_BROWSE);
  Command(IDC_DEFAULT_DIR);
  Command(IDC_INSTALL);
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(window->page, PAGE_DIRECTORY);

  Type("C:\\Games");
  EXPECT_FALSE(window->pathInvalid);
}

TEST_F(InstallerWindowTest, InstallStartsTheWorkerOnTheChosenDirectory) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  const std::string folder = std::string(temp) + "tandrel-window-install";
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  Type(folder);
  Command(IDC_INSTALL);

  EXPECT_EQ(window->page, PAGE_PROGRESS);
  EXPECT_EQ(ShownControls(), kProgressControls);
  EXPECT_EQ(window->setup.notifyWindow, window->hWnd);
  EXPECT_EQ(std::string(window->setup.installDir), folder + "\\Tandrel\\");
  ASSERT_NE(window->setup.workerThread, nullptr);
  EXPECT_EQ(GetFileAttributesA((folder + "\\Tandrel").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  // The update list says "nothing to do": the worker ends on "installing", the window stays.
  ASSERT_EQ(WaitForSingleObject(window->setup.workerThread, 30000), WAIT_OBJECT_0);
  EXPECT_FALSE(QuitPosted());
  EXPECT_EQ(window->status, STATUS_INSTALLING);
  EXPECT_EQ(window->statusText, kStatusText[STATUS_INSTALLING]);
  EXPECT_TRUE(Boxes().empty());
  SetCurrentDirectoryA(temp);  // the worker made the install directory current
  RemoveDirectoryA((folder + "\\Tandrel").c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(InstallerWindowTest, DefaultDirRestoresPathButNotFreeSpace) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  Type("Z:\\Other");
  window->freeKB = 12345;
  Command(IDC_DEFAULT_DIR);
  EXPECT_EQ(std::string(window->installDir), DefaultDir());
  EXPECT_EQ(FieldText(), DefaultDir());
  EXPECT_EQ(window->freeKB, 12345);
}

TEST_F(InstallerWindowTest, FolderDialogChoiceComposesAndShowsTheDirectory) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  struct Case {
    const char* chosen;
    const char* installDir;  // null: nothing changes
  } cases[] = {
      {"C:\\Games", "C:\\Games\\Tandrel\\"},
      {"C:\\Games\\Tandrel", "C:\\Games\\Tandrel\\"},
      {"Z:\\MyTandrel", "Z:\\MyTandrel\\"},
      {"", nullptr},            // cancelled
      {"Q:\\Games", nullptr},   // drive test fails
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    const std::string before = window->installDir;
    const std::string fieldBefore = FieldText();
    window->freeKB = -7;
    ChosenFolder() = c.chosen;
    Command(IDC_BROWSE);
    EXPECT_EQ(LastFolderTitle(), "将Tandrel安装到:");
    if (c.installDir) {
      EXPECT_STREQ(window->installDir, c.installDir);
      EXPECT_EQ(FieldText(), c.installDir);
      EXPECT_GT(window->freeKB, 0);
    } else {
      EXPECT_EQ(std::string(window->installDir), before);
      EXPECT_EQ(FieldText(), fieldBefore);
      EXPECT_EQ(window->freeKB, -7);
    }
  }
  EXPECT_FALSE(window->pathInvalid);
}

TEST_F(InstallerWindowTest, GameNameTooLongForAPathIsRefusedWithoutOverflow) {
  const std::string name(255, 'n');
  Server().Serve("/update/online_setup.txt", SetupText(name));
  ASSERT_TRUE(Open());
  EXPECT_STREQ(window->defaultDir, "");
  EXPECT_STREQ(window->installDir, "");

  Command(IDC_CUSTOM);
  ChosenFolder() = "C:\\Games";
  Command(IDC_BROWSE);  // the dialog title would not fit: no dialog
  EXPECT_EQ(FolderDialogCalls(), 0);
  Type("C:\\Games");  // the drive is fine, the composed path would not fit
  EXPECT_FALSE(window->pathInvalid);
  EXPECT_STREQ(window->installDir, "");

  Command(IDC_INSTALL);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "指定的路径无效");
  EXPECT_EQ(window->page, PAGE_DIRECTORY);
  EXPECT_EQ(window->setup.workerThread, nullptr);
}

TEST_F(InstallerWindowTest, CloseAndCancelOnEachPage) {
  struct Case {
    int page;
    int command;
    bool quits;
    bool stops;
  } cases[] = {
      {PAGE_WELCOME, IDC_CLOSE, true, false},
      {PAGE_DIRECTORY, IDC_CLOSE, true, false},
      {PAGE_PROGRESS, IDC_CLOSE, false, true},
      {PAGE_PROGRESS, IDC_CANCEL_INSTALL, false, true},
      {PAGE_WELCOME, IDC_CANCEL_INSTALL, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << " command " << c.command);
    ASSERT_TRUE(Open());
    window->page = c.page;
    window->ShowPage();
    Command(c.command);
    EXPECT_EQ(QuitPosted(), c.quits);
    EXPECT_EQ(window->setup.stopRequested, c.stops ? 1 : 0);
    EXPECT_EQ(window->page, c.page);
    Close();
  }
}

TEST_F(InstallerWindowTest, WindowEndsOnCompleteAndErrorOnly) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  window->page = PAGE_PROGRESS;
  window->ShowPage();
  for (LPARAM value : {1, 2, 3, 4, 5, 6, 7, 0}) {
    SCOPED_TRACE(value);
    SendMessageA(window->hWnd, WM_INSTALL_STATUS, 0, value);
    EXPECT_EQ(window->status, value);
    EXPECT_EQ(window->statusText, kStatusText[value]);
    EXPECT_EQ(QuitPosted(), value == STATUS_COMPLETE || value == STATUS_ERROR);
  }
}

TEST_F(InstallerWindowTest, StatusOutsideTheEightIsIgnored) {
  ASSERT_TRUE(Open());
  SendMessageA(window->hWnd, WM_INSTALL_STATUS, 0, STATUS_DOWNLOADING);
  for (LPARAM value : {LPARAM(-1), LPARAM(8), LPARAM(20001), LPARAM(0x100000007)}) {
    SCOPED_TRACE(value);
    SendMessageA(window->hWnd, WM_INSTALL_STATUS, 0, value);
    EXPECT_EQ(window->status, STATUS_DOWNLOADING);
    EXPECT_EQ(window->statusText, kStatusText[STATUS_DOWNLOADING]);
    EXPECT_FALSE(QuitPosted());
  }
}

TEST_F(InstallerWindowTest, ProgressMovesPercentAndTheBar) {
  ASSERT_TRUE(Open());
  Command(IDC_CUSTOM);
  window->page = PAGE_PROGRESS;
  window->ShowPage();
  for (LPARAM value : {0, 37, 100, 12}) {
    SendMessageA(window->hWnd, WM_INSTALL_PROGRESS, 0, value);
    PumpMessages();  // the bar's position is posted
    EXPECT_EQ(window->percent, value);
    EXPECT_EQ(SendMessageA(window->hProgress, PBM_GETPOS, 0, 0), value);
  }
}

TEST_F(InstallerWindowTest, SlideshowCyclesAndRestartsWithThePage) {
  ASSERT_TRUE(Open());
  window->page = PAGE_PROGRESS;
  window->ShowPage();
  EXPECT_EQ(window->slideIndex, 0);
  for (int expected : {1, 2, 0, 1}) {
    SendMessageA(window->hWnd, WM_TIMER, TIMER_SLIDESHOW, 0);
    EXPECT_EQ(window->slideIndex, expected);
  }
  SendMessageA(window->hWnd, WM_TIMER, 77, 0);  // someone else's timer
  EXPECT_EQ(window->slideIndex, 1);
  window->ShowPage();
  EXPECT_EQ(window->slideIndex, 0);
}

TEST_F(InstallerWindowTest, LicenceOpensTheAgreementAddress) {
  ASSERT_TRUE(Open());
  Command(IDC_LICENCE);
  ASSERT_EQ(OpenedAddresses().size(), 1u);
  EXPECT_EQ(OpenedAddresses()[0], ServerUrl("/licence.html"));
}

TEST_F(InstallerWindowTest, MinimiseCommandIconifiesTheWindow) {
  ASSERT_TRUE(Open(WS_VISIBLE));
  Command(IDC_MINIMIZE);
  EXPECT_TRUE(IsIconic(window->hWnd));
}

TEST_F(InstallerWindowTest, OnlyTheTopBandDragsTheWindow) {
  ASSERT_TRUE(Open(WS_VISIBLE));
  SetWindowPos(window->hWnd, nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  struct Case {
    int x, y;  // client coordinates
    LRESULT hit;
  } cases[] = {
      {10, 0, HTCAPTION}, {200, 20, HTCAPTION}, {455, 5, HTCAPTION},
      {10, 21, HTNOWHERE}, {-1, 5, HTNOWHERE},  {456, 5, HTNOWHERE}, {200, 300, HTNOWHERE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    POINT point = {c.x, c.y};
    ClientToScreen(window->hWnd, &point);
    SetCursorPos(point.x, point.y);
    POINT now;
    GetCursorPos(&now);
    ASSERT_EQ(now.x, point.x);
    ASSERT_EQ(now.y, point.y);
    // The point in lParam is not what counts: the cursor is.
    EXPECT_EQ(SendMessageA(window->hWnd, WM_NCHITTEST, 0, MAKELPARAM(1, 1)), c.hit);
  }
}

TEST_F(InstallerWindowTest, DestructionForgetsTheWindow) {
  ASSERT_TRUE(Open());
  HWND main = window->hWnd;
  window.reset();
  EXPECT_EQ(WindowRegistry::Lookup(main), nullptr);
  // Unregistered, the window gets the plain handling: WM_DESTROY still ends the loop.
  DestroyWindow(main);
  EXPECT_TRUE(PumpMessages());
}

TEST(ComposeInstallDirTest, GameFolderIsAddedOnceAndOnlyWhenItFits) {
  // A folder that needs the name: its length (with separator) + 7 + 1 must stay below 259.
  const std::string fits = "D:\\" + std::string(246, 'f') + "\\";     // 250 + 7 + 1 = 258
  const std::string tooLong = "D:\\" + std::string(247, 'f') + "\\";  // 251 + 7 + 1 = 259
  // A folder that already ends with the name: its length with separator must stay below 259.
  const std::string named = "D:\\" + std::string(247, 'f') + "Tandrel";         // 258 with "\\"
  const std::string namedTooLong = "D:\\" + std::string(248, 'f') + "Tandrel";  // 259 with "\\"
  struct Case {
    std::string candidate;
    bool composed;
    std::string result;
  } cases[] = {
      {"D:\\Games", true, "D:\\Games\\Tandrel\\"},
      {"D:\\Games\\", true, "D:\\Games\\Tandrel\\"},
      {"D:\\Games\\Tandrel", true, "D:\\Games\\Tandrel\\"},
      {"D:\\Games\\Tandrel/", true, "D:\\Games\\Tandrel/"},
      {"D:\\MyTandrel", true, "D:\\MyTandrel\\"},
      {"D:/Games", true, "D:/Games\\Tandrel\\"},
      {fits, true, fits + "Tandrel\\"},
      {tooLong, false, ""},
      {named, true, named + "\\"},
      {namedTooLong, false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.candidate.size());
    char installDir[260] = "unchanged";
    EXPECT_EQ(ComposeInstallDir(c.candidate.c_str(), "Tandrel", installDir), c.composed);
    EXPECT_EQ(std::string(installDir), c.composed ? c.result : "unchanged");
  }
}

TEST(WindowRegistryTest, LookupRegisterUnregisterAndFree) {
  WindowRegistry::Free();
  EXPECT_FALSE(WindowRegistry::Exists());
  HWND a = reinterpret_cast<HWND>(0x1000);
  HWND b = reinterpret_cast<HWND>(0x2000);
  auto* first = reinterpret_cast<fgWin32Dialog*>(0x10);
  auto* second = reinterpret_cast<fgWin32Dialog*>(0x20);
  WindowRegistry::Unregister(a);  // nothing to do, and no map is made for it
  EXPECT_FALSE(WindowRegistry::Exists());
  EXPECT_EQ(WindowRegistry::Lookup(a), nullptr);
  EXPECT_TRUE(WindowRegistry::Exists());  // the first lookup makes it
  WindowRegistry::Register(a, first);
  WindowRegistry::Register(b, second);
  WindowRegistry::Register(a, second);  // overwrites
  EXPECT_EQ(WindowRegistry::Lookup(a), second);
  EXPECT_EQ(WindowRegistry::Lookup(b), second);
  WindowRegistry::Unregister(a);
  EXPECT_EQ(WindowRegistry::Lookup(a), nullptr);
  EXPECT_EQ(WindowRegistry::Lookup(b), second);
  WindowRegistry::Free();
  EXPECT_FALSE(WindowRegistry::Exists());
  WindowRegistry::Unregister(b);  // after Free: harmless
}

TEST(StaticWindowProcTest, UnregisteredWindowGetsPlainHandling) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = StaticWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TandrelUnregisteredTest";
  RegisterClassExA(&windowClass);
  // CreateWindowExA succeeds only when WM_NCCREATE/WM_CREATE were answered sensibly.
  HWND window = CreateWindowExA(0, "TandrelUnregisteredTest", "t", WS_POPUP, 0, 0, 50, 50, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageA(window, WM_CREATE, 0, 0), 0);
  PumpMessages();
  DestroyWindow(window);
  EXPECT_TRUE(PumpMessages());  // WM_DESTROY posted WM_QUIT
}
