#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "engine/setup_info.h"
#include "tests/engine/engine_test_support.h"

namespace {

class InstallWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    Server().Clear();
    TakeBoxes();
    dir_ = ScratchDir("worker");
    configDir_ = ScratchDir("worker-config");
  }

  // Serves the update list at /list.txt and names it under [config] 1.0.
  void UseList(const std::string& list) {
    Server().Serve("/list.txt", {"200 OK", list, Fault::kNone, 0});
    setup_.configPath = WriteConfig(configDir_, "1.0=" + Server().Url("/list.txt") + "\r\n");
  }

  NotifyWindow window_;
  SetupInfo setup_;
  std::string dir_;
  std::string configDir_;
};

TEST_F(InstallWorkerTest, FindsTheUpdateListAddress) {
  struct Case {
    const char* name;
    std::string config;
    const char* requested;  // path of the list fetched, or null
  } cases[] = {
      {"version key", "1.0=" + Server().Url("/v.txt") + "\r\nother=" + Server().Url("/o.txt"),
       "/v.txt"},
      {"only other", "other=" + Server().Url("/o.txt"), "/o.txt"},
      {"empty version key", "1.0=\r\nother=" + Server().Url("/o.txt"), "/o.txt"},
      {"neither", "2.0=" + Server().Url("/v.txt"), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Server().Clear();
    Server().Serve("/v.txt", {"200 OK", "[list0]\r\naction=0\r\n", Fault::kNone, 0});
    Server().Serve("/o.txt", {"200 OK", "[list0]\r\naction=0\r\n", Fault::kNone, 0});
    setup_.configPath = WriteConfig(configDir_, c.config + "\r\n");
    std::vector<Posted> posted = RunWorker(setup_, window_, dir_);
    std::vector<std::string> requests = Server().Requests();
    std::vector<Box> boxes = TakeBoxes();
    if (c.requested == nullptr) {
      EXPECT_EQ(Outline(posted), "S2 S0");
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].caption, "错误");
      EXPECT_EQ(boxes[0].text, "从文件中,获取版本对应的更新URL错误.");
      EXPECT_TRUE(requests.empty());
    } else {
      EXPECT_EQ(Outline(posted), "S2 S2 P0..100 S6");
      EXPECT_TRUE(boxes.empty());
      ASSERT_EQ(requests.size(), 1u);
      EXPECT_EQ(requests[0].rfind(std::string("GET ") + c.requested + " ", 0), 0u);
    }
  }
}

TEST_F(InstallWorkerTest, UpdateListOutcomes) {
  Server().Serve("/pkg.dat", {"200 OK", "package bytes", Fault::kNone, 0});
  const std::string pkg = Server().Url("/pkg.dat");
  const std::string unreachable = "http://127.0.0.1:18199/pkg.dat";
  struct Case {
    const char* name;
    std::string list;
    std::string outline;
    std::string box;  // expected start of the box text; empty when no box
    bool packageOnDisk;
  } cases[] = {
      {"action 0 reads nothing else", "[list0]\r\naction=0\r\ncmd=XYZ\r\n", "S2 S2 P0..100 S6",
       "", false},
      {"only list1", "[list1]\r\naction=3\r\n", "S2 S2 P0..100 S0", "解析更新列表文件错误.", false},
      {"command empty", "[list0]\r\naction=1\r\ndestfile=a\r\n", "S2 S2 P0..100 S0",
       "解析更新列表文件错误,动作有命令但命令为空.", false},
      {"download without destfile",
       "[list0]\r\naction=2\r\nsrcfile=" + pkg + "\r\n", "S2 S2 P0..100 S0",
       "解析更新列表文件错误,动作为下载文件但文件路径为空.", false},
      {"download without srcfile", "[list0]\r\naction=3\r\ndestfile=p.dat\r\ncmd=DEC\r\n",
       "S2 S2 P0..100 S0", "解析更新列表文件错误,动作为下载文件但文件路径为空.", false},
      {"download only", "[list0]\r\naction=2\r\nsrcfile=" + pkg + "\r\ndestfile=p.dat\r\n",
       "S2 S2 P0..100 S4 P0..100 S6", "", true},
      {"lower-case command",
       "[list0]\r\naction=3\r\nsrcfile=" + pkg + "\r\ndestfile=p.dat\r\ncmd=dec\r\n",
       "S2 S2 P0..100 S4 P0..100 S6 P0 S0", "未知的命令参数", true},
      {"package download fails",
       "[list0]\r\naction=3\r\nsrcfile=" + unreachable + "\r\ndestfile=p.dat\r\ncmd=DEC\r\n",
       "S2 S2 P0..100 S4 P0 S0 S0", "InternetOpenUrl 错误.\n网址:" + unreachable + ".\n错误",
       false},
      {"other bits only", "[list0]\r\naction=4\r\n", "S2 S2 P0..100 S6", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileA((dir_ + "p.dat").c_str());
    UseList(c.list);
    std::vector<Posted> posted = RunWorker(setup_, window_, dir_);
    EXPECT_EQ(Outline(posted), c.outline);
    std::vector<Box> boxes = TakeBoxes();
    if (c.box.empty()) {
      EXPECT_TRUE(boxes.empty());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].caption, "错误");
      EXPECT_EQ(boxes[0].text.rfind(c.box, 0), 0u) << boxes[0].text;
    }
    EXPECT_EQ(ReadFileBytes(dir_ + "p.dat"), c.packageOnDisk ? "package bytes" : "");
  }
}

TEST_F(InstallWorkerTest, MissingUpdateListIsAParseError) {
  setup_.configPath = WriteConfig(configDir_, "1.0=" + Server().Url("/no-such-list.txt") + "\r\n");
  EXPECT_EQ(Outline(RunWorker(setup_, window_, dir_)), "S2 S2 P0..100 S0");
  std::vector<Box> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "解析更新列表文件错误.");
}

TEST_F(InstallWorkerTest, WorkerRunsInInstallDirAndCreatesIt) {
  std::string nested = dir_ + "deep\\er\\";
  UseList("[list0]\r\naction=2\r\nsrcfile=" + Server().Url("/f") + "\r\ndestfile=\\f.txt\r\n");
  Server().Serve("/f", {"200 OK", "f", Fault::kNone, 0});
  EXPECT_EQ(Outline(RunWorker(setup_, window_, nested)), "S2 S2 P0..100 S4 P0..100 S6");
  EXPECT_EQ(ReadFileBytes(nested + "f.txt"), "f");
  EXPECT_STREQ(setup_.installDir, nested.c_str());
  EXPECT_EQ(setup_.notifyWindow, window_.Handle());
}

TEST_F(InstallWorkerTest, StopDuringListDownloadEndsWithOneError) {
  Server().Serve("/list.txt", {"200 OK", "[list0]\r\naction=0\r\n" + std::string(4000, ';'),
                               Fault::kSlowBody, 0});
  setup_.configPath = WriteConfig(configDir_, "1.0=" + Server().Url("/list.txt") + "\r\n");
  std::thread stopper([this] {
    WaitForSingleObject(Server().SlowStarted(), 20000);
    setup_.stopRequested = 1;
    Server().ReleaseSlow();
  });
  std::vector<Posted> posted = RunWorker(setup_, window_, dir_);
  stopper.join();
  std::string outline = Outline(posted);
  EXPECT_EQ(outline.substr(0, 8), "S2 S2 P0");
  EXPECT_EQ(outline.substr(outline.size() - 3), " S0");
  EXPECT_EQ(outline.find("S0"), outline.size() - 2);  // one error, nothing after it
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(InstallWorkerTest, TooLongInstallDirIsRefused) {
  UseList("[list0]\r\naction=0\r\n");
  std::string tooLong = dir_ + std::string(300, 'L') + "\\";
  EXPECT_EQ(Outline(RunWorker(setup_, window_, tooLong)), "S0");
  EXPECT_EQ(TakeBoxes().size(), 1u);
  EXPECT_TRUE(Server().Requests().empty());
}

}  // namespace
