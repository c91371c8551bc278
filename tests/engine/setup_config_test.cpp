#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "engine/setup_info.h"
#include "tests/engine/engine_test_support.h"

namespace {

constexpr char kConfigPath[] = "/update/online_setup.txt";

TEST(StatusTextTest, TableHoldsTheStatusLines) {
  const char* expected[kInstallStatusCount] = {"错误，请重新下载", "", "正在读取配置文件",
                                               "正在获取版本信息", "正在下载", "正在启动安装",
                                               "正在安装", "安装完成"};
  for (int i = 0; i < kInstallStatusCount; ++i) EXPECT_STREQ(kStatusText[i], expected[i]) << i;
  EXPECT_STREQ(kInstallerVersion, "1.0");
  EXPECT_NE(strstr(kSetupConfigUrl, "/update/online_setup.txt"), nullptr);
}

TEST(SetupConfigTest, ReadsValuesAndSize) {
  struct Case {
    const char* name;
    std::string file;
    bool loaded;
    int size;
    const char* gamename;
    const char* contact;  // "keep" when the later four stay as they were
  } cases[] = {
      {"size 100", "[setup]\r\ngamename=g\r\nsize=100\r\nContact=c\r\n", true, 102400, "g", "c"},
      {"size zero", "[setup]\r\ngamename=g\r\nsize=0\r\nContact=c\r\n", true, 0, "g", "c"},
      {"size missing", "[setup]\r\ngamename=g\r\nContact=c\r\n", false, -1, "g", "keep"},
      {"size negative", "[setup]\r\ngamename=g\r\nsize=-5\r\nContact=c\r\n", false, -5, "g",
       "keep"},
      {"size not a number", "[setup]\r\ngamename=g\r\nsize=lots\r\n", true, 0, "g", ""},
      {"keys ignore case", "[SETUP]\r\nGAMENAME=G1\r\nSIZE=2\r\nCONTACT=C1\r\n", true, 2048, "G1",
       "C1"},
      {"largest size that fits", "[setup]\r\nsize=2097151\r\n", true, 2147482624, "", ""},
      {"size past the largest", "[setup]\r\nsize=2097152\r\n", true, INT_MAX, "", ""},
      {"no config section", "[setup]\r\nsize=1\r\n", true, 1024, "", ""},
      {"404 page", "", false, -1, "", "keep"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Server().Clear();
    if (!c.file.empty()) Server().Serve(kConfigPath, {"200 OK", c.file, Fault::kNone, 0});
    SetupInfo setup;
    strcpy(setup.Contact, "keep");
    EXPECT_EQ(setup.LoadSetupConfig(), c.loaded);
    EXPECT_EQ(setup.size, c.size);
    EXPECT_STREQ(setup.gamename, c.gamename);
    EXPECT_STREQ(setup.Contact, c.contact);
    EXPECT_FALSE(setup.configPath.empty());
    EXPECT_TRUE(FileExists(setup.configPath));
    EXPECT_TRUE(TakeBoxes().empty());
    DeleteFileA(setup.configPath.c_str());
  }
}

TEST(SetupConfigTest, FullRecordIsRead) {
  Server().Clear();
  Server().Serve(kConfigPath, {"200 OK",
                               "[setup]\r\ngamename=泰卓\r\nexefilename=TandrelGame.exe\r\n"
                               "ProductTitle=泰卓大厅\r\nsize=7\r\nurlAgreement=http://h/a.html\r\n"
                               "uninstname=uninst.exe\r\nPublisher=泰卓公司\r\nContact=400-000\r\n",
                               Fault::kNone, 0});
  SetupInfo setup;
  ASSERT_TRUE(setup.LoadSetupConfig());
  EXPECT_STREQ(setup.exefilename, "TandrelGame.exe");
  EXPECT_STREQ(setup.ProductTitle, "泰卓大厅");
  EXPECT_STREQ(setup.urlAgreement, "http://h/a.html");
  EXPECT_STREQ(setup.uninstname, "uninst.exe");
  EXPECT_STREQ(setup.Publisher, "泰卓公司");
  EXPECT_STREQ(setup.Contact, "400-000");
  EXPECT_EQ(setup.size, 7 * 1024);
  DeleteFileA(setup.configPath.c_str());
}

TEST(SetupConfigTest, UnreachableServerFails) {
  Server().Stop();
  SetupInfo setup;
  EXPECT_FALSE(setup.LoadSetupConfig());
  std::vector<Box> boxes = TakeBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "错误");
  EXPECT_EQ(boxes[0].text.rfind("InternetOpenUrl 错误.\n网址:", 0), 0u);
  EXPECT_TRUE(setup.configPath.empty());
  ASSERT_TRUE(Server().Start(PortOfUrl(kSetupConfigUrl)));
}

}  // namespace
