// What OnPaint puts where, read back from a memory surface, and the texts it formats.
#include <climits>
#include <cstring>

#include "tests/window/window_fixture.h"
#include "window_fixtures.h"

namespace {

constexpr COLORREF kSentinel = RGB(1, 99, 1);  // what the target held before the paint
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kLightYellow = RGB(255, 246, 150);
constexpr COLORREF kPaleYellow = RGB(254, 247, 167);

// Glyph edges may be smoothed; a text is found by its fully covered pixels.
auto Is(COLORREF colour) {
  return [colour](COLORREF c) { return c == colour; };
}

class WindowPaintTest : public InstallerWindowTest {
 protected:
  void SetUp() override {
    InstallerWindowTest::SetUp();
    ASSERT_TRUE(Open());
  }
  // Paints the window onto a fresh canvas.
  Canvas& Paint() {
    canvas.reset(new Canvas(455, 325, kSentinel));
    window->OnPaint(canvas->dc());
    return *canvas;
  }
  void GoTo(int page) {
    window->page = page;
    window->ShowPage();
  }
  std::unique_ptr<Canvas> canvas;
};

const RECT kAll = {0, 0, 455, 325};
const RECT kTitle = {0, 146, 455, 177};
const RECT kAgreeLabel = {50, 289, 150, 309};
const RECT kPathLabel = {40, 100, 290, 120};
const RECT kSpaceLine = {40, 128, 290, 148};
const RECT kHeading = {26, 44, 126, 61};
const RECT kStatusLine = {18, 232, 300, 247};   // the part not shared with the percentage
const RECT kPercentOnly = {318, 232, 436, 247};  // the part not shared with the status line

}  // namespace

TEST_F(WindowPaintTest, WelcomePagePicturesAndTexts) {
  Canvas& c = Paint();
  EXPECT_EQ(c.At(5, 5), kFixtureWelcome);
  EXPECT_EQ(c.At(5, 199), kFixtureWelcome);
  EXPECT_EQ(c.At(5, 200), kFixtureBackground);
  EXPECT_EQ(c.At(454, 324), kFixtureBackground);
  // The background's key-coloured block never reaches the target.
  EXPECT_EQ(c.At(445, 315), kSentinel);
  EXPECT_EQ(c.CountColour(kAll, kSentinel), 100);

  EXPECT_GT(c.Count(kAgreeLabel, Is(kWhite)), 20);
  EXPECT_EQ(c.Count(kAll, Is(kWhite)), c.Count(kAgreeLabel, Is(kWhite)));

  // The title: light yellow, within its band, centred across the window.
  const RECT title = c.Extent(kAll, Is(kLightYellow));
  EXPECT_GT(c.Count(kTitle, Is(kLightYellow)), 50);
  EXPECT_GE(title.top, kTitle.top);
  EXPECT_LE(title.bottom, kTitle.bottom);
  EXPECT_NEAR(title.left, 455 - title.right, 3);
  // Nothing of the other pages.
  EXPECT_EQ(c.Count(kAll, Is(kPaleYellow)), 0);
}

TEST_F(WindowPaintTest, DirectoryPageTexts) {
  GoTo(PAGE_DIRECTORY);
  Canvas& c = Paint();
  EXPECT_EQ(c.At(5, 5), kFixtureBackground);  // no welcome picture
  EXPECT_GT(c.Count(kPathLabel, Is(kWhite)), 20);
  EXPECT_GT(c.Count(kSpaceLine, Is(kWhite)), 50);
  EXPECT_EQ(c.Count(kAll, Is(kWhite)),
            c.Count(kPathLabel, Is(kWhite)) + c.Count(kSpaceLine, Is(kWhite)));
  EXPECT_GT(c.Count(kHeading, Is(kLightYellow)), 20);
  EXPECT_EQ(c.Count(kAll, Is(kLightYellow)), c.Count(kHeading, Is(kLightYellow)));
}

TEST_F(WindowPaintTest, SpaceLineFollowsTheFreeSpace) {
  GoTo(PAGE_DIRECTORY);
  window->freeKB = 0;
  const int shortLine = Paint().Extent(kSpaceLine, Is(kWhite)).right;
  window->freeKB = 50 * 1048576;
  const int longerLine = Paint().Extent(kSpaceLine, Is(kWhite)).right;
  EXPECT_GT(longerLine, shortLine);  // "50GB" is one character wider than "0KB"
}

TEST_F(WindowPaintTest, ProgressPageSlideStatusAndPercentage) {
  GoTo(PAGE_PROGRESS);
  struct Case {
    int status;
    bool percentShown;
  } cases[] = {{STATUS_ERROR, false},          {STATUS_IDLE, false},
               {STATUS_READING_CONFIG, true},  {STATUS_GETTING_VERSION, true},
               {STATUS_DOWNLOADING, true},     {STATUS_STARTING_INSTALL, true},
               {STATUS_INSTALLING, true},      {STATUS_COMPLETE, true}};
  SendMessageA(window->hWnd, WM_INSTALL_PROGRESS, 0, 37);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.status);
    SendMessageA(window->hWnd, WM_INSTALL_STATUS, 0, k.status);
    PumpMessages();
    Canvas& c = Paint();
    EXPECT_EQ(c.At(5, 5), kFixtureSlides[0]);
    EXPECT_EQ(c.At(5, 260), kFixtureBackground);
    const int statusPixels = c.Count(kStatusLine, Is(kPaleYellow));
    if (k.status == STATUS_IDLE) {
      EXPECT_EQ(statusPixels, 0);  // its text is empty
    } else {
      EXPECT_GT(statusPixels, 20);
    }
    const RECT percent = c.Extent(kPercentOnly, Is(kPaleYellow));
    if (k.percentShown) {
      EXPECT_GE(percent.right, 430);  // right-aligned to 436
      EXPECT_GT(percent.left, 340);
    } else {
      EXPECT_EQ(percent.right, 0);
    }
    // Nothing of the texts outside their two rectangles.
    const RECT band = {18, 232, 436, 247};
    EXPECT_EQ(c.Count(kAll, Is(kPaleYellow)), c.Count(band, Is(kPaleYellow)));
    EXPECT_EQ(c.Count(kAll, Is(kWhite)), 0);
  }
}

TEST_F(WindowPaintTest, ProgressPageShowsTheCurrentSlide) {
  GoTo(PAGE_PROGRESS);
  for (int step = 0; step < 4; ++step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(Paint().At(200, 100), kFixtureSlides[window->slideIndex]);
    SendMessageA(window->hWnd, WM_TIMER, TIMER_SLIDESHOW, 0);
  }
}

TEST_F(WindowPaintTest, UnknownPageShowsOnlyTheBackground) {
  window->page = 7;
  Canvas& c = Paint();
  EXPECT_EQ(c.CountColour(kAll, kFixtureBackground), 455 * 325 - 100);
}

TEST_F(WindowPaintTest, NothingIsPaintedWhileMinimised) {
  ShowWindow(window->hWnd, SW_SHOWMINIMIZED);
  ASSERT_TRUE(IsIconic(window->hWnd));
  EXPECT_EQ(Paint().CountColour(kAll, kSentinel), 455 * 325);
}

TEST(SpaceTextTest, UnitsRoundDown) {
  struct Case {
    int kilobytes;
    int value;
    const char* unit;
  } cases[] = {
      {0, 0, "KB"},          {1023, 1023, "KB"},     {1024, 1, "MB"},       {2047, 1, "MB"},
      {16773, 16, "MB"},     {500000, 488, "MB"},    {1048575, 1023, "MB"}, {1048576, 1, "GB"},
      {50 * 1048576, 50, "GB"}, {INT_MAX, 2047, "GB"}, {-5, -5, "KB"},      {-2000000, -2000000, "KB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kilobytes);
    int value = -99;
    const char* unit = nullptr;
    SizeWithUnit(c.kilobytes, value, unit);
    EXPECT_EQ(value, c.value);
    EXPECT_STREQ(unit, c.unit);
  }
}

TEST(SpaceTextTest, SpaceLine) {
  struct Case {
    int required, free;
    const char* line;
  } cases[] = {
      {16773, 50 * 1048576, "所需空间：16MB(可用空间：50GB)"},
      {16773, 0, "所需空间：16MB(可用空间：0KB)"},
      {16773, 500000, "所需空间：16MB(可用空间：488MB)"},
      {0, 1023, "所需空间：0KB(可用空间：1023KB)"},
  };
  for (const Case& c : cases) {
    char line[260];
    FormatSpaceLine(c.required, c.free, line, sizeof(line));
    EXPECT_STREQ(line, c.line);
  }
  char small[8];
  FormatSpaceLine(INT_MAX, INT_MAX, small, sizeof(small));
  EXPECT_EQ(std::strlen(small), 7u);  // cut, terminated
}

TEST(SpaceTextTest, PercentLabelFollowsThePhase) {
  const char* expected[] = {"", "", "已下载37%", "已下载37%", "已下载37%", "已安装37%", "已安装37%", "已安装37%"};
  for (int status = 0; status < 8; ++status) {
    char text[260] = "x";
    FormatPercent(status, 37, text, sizeof(text));
    EXPECT_STREQ(text, expected[status]) << status;
  }
  char text[260] = "x";
  FormatPercent(42, 37, text, sizeof(text));
  EXPECT_STREQ(text, "");
}
