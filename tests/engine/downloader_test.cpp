#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <regex>
#include <thread>

#include "engine/engine_internal.h"
#include "engine/setup_info.h"
#include "tests/engine/engine_test_support.h"

namespace {

class DownloadTest : public testing::Test {
 protected:
  void SetUp() override {
    Server().Clear();
    TakeBoxes();
    dir_ = ScratchDir("download");
    strcpy(setup_.installDir, dir_.c_str());
    setup_.notifyWindow = window_.Handle();
  }

  NotifyWindow window_;
  SetupInfo setup_;
  std::string dir_;
};

TEST(DownloadPercentageTest, BytesUpToOneMiBThenKilobytes) {
  struct Case {
    DWORD received, length, percent;
  } cases[] = {
      {0, 100, 0},
      {50, 100, 50},
      {100, 100, 100},
      {250, 100, 250},                   // more than announced
      {524288, 1048576, 50},             // byte formula at exactly 1 MiB
      {1048575, 1048576, 99},
      {11263, 1048576, 1},               // 1126300 / 1048576; KB would give 0
      {524288, 1048577, 50},             // KB formula: 512 * 100 / 1024
      {524287, 1048577, 49},             // 511 * 100 / 1024
      {1023, 1048577, 0},                // below one KB counts as nothing
      {11263, 1048577, 0},               // 10 * 100 / 1024; bytes would give 1
      {3000000, 1048576, 286},           // over-long body at the byte formula
      {50000000, 1000000, 705},          // the product wraps at 32 bits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DownloadPercentage(c.received, c.length), c.percent)
        << c.received << " of " << c.length;
  }
}

TEST_F(DownloadTest, WritesBodyAndReportsProgress) {
  struct Case {
    const char* name;
    Reply reply;
    std::string expectedFile;
    std::string outline;
  } cases[] = {
      {"small", {"200 OK", "hello, world", Fault::kNone, 0}, "hello, world", "P0..100"},
      {"empty", {"200 OK", "", Fault::kNone, 0}, "", "P0..100"},
      {"no length", {"200 OK", "no length here", Fault::kNoLength, 0}, "no length here", "P0..100"},
      {"404 page", {"404 Not Found", "<h1>gone</h1>", Fault::kNone, 0}, "<h1>gone</h1>",
       "P0..100"},
      // WinINet stops at the announced length; the surplus never reaches the file.
      {"more than announced", {"200 OK", "0123456789", Fault::kShortLength, 4}, "0123",
       "P0..100"},
      {"binary", {"200 OK", std::string("\0\1\2\xff\r\n\x1a", 7), Fault::kNone, 0},
       std::string("\0\1\2\xff\r\n\x1a", 7), "P0..100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Server().Serve("/file.bin", c.reply);
    std::string local;
    EXPECT_EQ(setup_.DownloadFile("file.bin", Server().Url("/file.bin").c_str(), local), 0);
    EXPECT_EQ(ReadFileBytes(local), c.expectedFile);
    std::vector<Posted> posted = window_.Drain();
    EXPECT_EQ(Outline(posted), c.outline);
    for (const Posted& p : posted) EXPECT_EQ(p.wParam, 0u);
    EXPECT_TRUE(TakeBoxes().empty());
    EXPECT_EQ(setup_.errorText[0], '\0');
  }
}

TEST_F(DownloadTest, NoLengthPostsOnlyStartAndEnd) {
  Server().Serve("/big", {"200 OK", std::string(300000, 'x'), Fault::kNoLength, 0});
  std::string local;
  ASSERT_EQ(setup_.DownloadFile("big", Server().Url("/big").c_str(), local), 0);
  EXPECT_EQ(ReadFileBytes(local).size(), 300000u);
  EXPECT_EQ(ProgressValues(window_.Drain()), (std::vector<LPARAM>{0, 100}));
}

TEST_F(DownloadTest, LargeBodyProgressRisesToHundred) {
  std::string body(1500000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  Server().Serve("/large", {"200 OK", body, Fault::kNone, 0});
  std::string local;
  ASSERT_EQ(setup_.DownloadFile("large", Server().Url("/large").c_str(), local), 0);
  EXPECT_EQ(ReadFileBytes(local), body);
  std::vector<LPARAM> values = ProgressValues(window_.Drain());
  ASSERT_GE(values.size(), 3u);
  EXPECT_EQ(values.front(), 0);
  EXPECT_EQ(values.back(), 100);
  for (size_t i = 1; i < values.size(); ++i) EXPECT_LE(values[i - 1], values[i]);
}

TEST_F(DownloadTest, SendsAgentAcceptAndNoCache) {
  Server().Serve("/h", {"200 OK", "x", Fault::kNone, 0});
  std::string local;
  ASSERT_EQ(setup_.DownloadFile(nullptr, Server().Url("/h").c_str(), local), 0);
  std::vector<std::string> requests = Server().Requests();
  ASSERT_EQ(requests.size(), 1u);
  std::string head = requests[0];
  EXPECT_EQ(head.rfind("GET /h HTTP/1.1\r\n", 0), 0u) << head;
  EXPECT_TRUE(std::regex_search(head, std::regex("\r\nUser-Agent: Agent-?[0-9]+\r\n")))
      << head;
  EXPECT_NE(head.find("\r\nAccept: */*"), std::string::npos) << head;
  std::string lower = head;
  for (char& ch : lower) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
  EXPECT_NE(lower.find("pragma: no-cache"), std::string::npos) << head;
}

TEST_F(DownloadTest, TemporaryFileHasPrefixAndStays) {
  Server().Serve("/t", {"200 OK", "temp body", Fault::kNone, 0});
  std::string local;
  ASSERT_EQ(setup_.DownloadFile(nullptr, Server().Url("/t").c_str(), local), 0);
  std::string name = local.substr(local.rfind('\\') + 1);
  EXPECT_EQ(name.rfind("fgl", 0), 0u) << local;
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_EQ(ReadFileBytes(local), "temp body");
  DeleteFileA(local.c_str());
}

TEST_F(DownloadTest, LeadingBackslashIsDroppedAndFolderMade) {
  Server().Serve("/p", {"200 OK", "pkg", Fault::kNone, 0});
  std::string withSlash, without;
  ASSERT_EQ(setup_.DownloadFile("\\sub\\a.dat", Server().Url("/p").c_str(), withSlash), 0);
  ASSERT_EQ(setup_.DownloadFile("sub\\a.dat", Server().Url("/p").c_str(), without), 0);
  EXPECT_EQ(withSlash, without);
  EXPECT_EQ(withSlash, dir_ + "\\sub\\a.dat");
  EXPECT_EQ(ReadFileBytes(dir_ + "sub\\a.dat"), "pkg");
}

TEST_F(DownloadTest, FailuresShowTheirTextAndPostError) {
  Server().Serve("/reset", {"200 OK", std::string(200000, 'r'), Fault::kResetMidBody, 0});
  const std::string refusedUrl = "http://127.0.0.1:18199/nothing";
  struct Case {
    const char* name;
    const char* destination;
    std::string url;
    std::string textPrefix;
  } cases[] = {
      {"reset mid-body", "r.dat", Server().Url("/reset"), "InternetReadFile 错误.\n 错误"},
      {"nobody listening", "n.dat", refusedUrl,
       "InternetOpenUrl 错误.\n网址:" + refusedUrl + ".\n错误"},
      {"folder missing two levels", "a\\b\\c.dat", Server().Url("/reset"), "无法创建文件 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string local;
    EXPECT_EQ(setup_.DownloadFile(c.destination, c.url.c_str(), local), 1);
    std::vector<Box> boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "错误");
    EXPECT_EQ(boxes[0].text.rfind(c.textPrefix, 0), 0u) << boxes[0].text;
    EXPECT_EQ(boxes[0].text, setup_.errorText);
    std::vector<Posted> posted = window_.Drain();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back().message, static_cast<UINT>(WM_INSTALL_STATUS));
    EXPECT_EQ(posted.back().lParam, STATUS_ERROR);
    EXPECT_EQ(local, dir_ + "\\" + c.destination);
    EXPECT_FALSE(FileExists(local));
  }
}

TEST_F(DownloadTest, OverlongTextsStayInsideErrorText) {
  std::string url = "http://127.0.0.1:18199/" + std::string(3000, 'u');
  memset(setup_.errorText, 'z', sizeof setup_.errorText);
  std::string local;
  EXPECT_EQ(setup_.DownloadFile("x.dat", url.c_str(), local), 1);
  EXPECT_EQ(strlen(setup_.errorText), 260u);
  EXPECT_EQ(TakeBoxes().at(0).text.size(), 260u);

  // The longest folder and name the worker can hold do not fit one path together.
  std::string longDir = "C:\\" + std::string(255, 'f') + "\\";
  strcpy(setup_.installDir, longDir.c_str());
  std::string longName(259, 'd');
  EXPECT_EQ(setup_.DownloadFile(longName.c_str(), Server().Url("/x").c_str(), local), 1);
  std::vector<Box> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("文件路径过长", 0), 0u) << boxes[0].text;
  EXPECT_TRUE(Server().Requests().empty());
  window_.Drain();
}

TEST_F(DownloadTest, StopBeforeOpeningAddress) {
  Server().Serve("/s", {"200 OK", "never", Fault::kNone, 0});
  setup_.stopRequested = 1;
  std::string local;
  EXPECT_EQ(setup_.DownloadFile("s.dat", Server().Url("/s").c_str(), local), 1);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(Outline(window_.Drain()), "P0 S0");
  EXPECT_TRUE(Server().Requests().empty());
  EXPECT_FALSE(FileExists(dir_ + "s.dat"));
}

TEST_F(DownloadTest, StopDuringSlowBodyDeletesFile) {
  Server().Serve("/slow", {"200 OK", std::string(5000, 's'), Fault::kSlowBody, 0});
  std::thread stopper([this] {
    WaitForSingleObject(Server().SlowStarted(), 20000);
    setup_.stopRequested = 1;
    Server().ReleaseSlow();
  });
  std::string local;
  int result = setup_.DownloadFile("slow.dat", Server().Url("/slow").c_str(), local);
  stopper.join();
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(TakeBoxes().empty());
  std::vector<Posted> posted = window_.Drain();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back().message, static_cast<UINT>(WM_INSTALL_STATUS));
  EXPECT_EQ(posted.back().lParam, STATUS_ERROR);
  EXPECT_FALSE(FileExists(local));
}

}  // namespace
