// A live installer window on the test's thread, built against the small setup
// server, with its boxes, folder dialog and browser recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>

#include "tests/support/test_server.h"
#include "tests/window/window_test_support.h"
#include "window/installer_window.h"

// The one server of the test program, on the port of kSetupConfigUrl.
TestServer& Server();
std::string ServerUrl(const std::string& path);

// A setup configuration with this game name (and size in MB), pointing at an update
// list that says "nothing to do".
std::string SetupText(const std::string& gameName, const std::string& sizeLine = "size=16");

class InstallerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override { Close(); }

  // Creates the window hidden; false when Create failed.
  bool Open(DWORD style = 0);
  // Destroys the object (after its worker, if any), then its window.
  void Close();

  void Command(int id, int code = 0);
  // What the user's typing does: new field text, then EN_CHANGE.
  void Type(const std::string& text);
  std::string FieldText() const;
  // Ids of the page controls whose window is shown.
  std::set<int> ShownControls() const;
  bool QuitPosted() { return PumpMessages(); }

  std::optional<fgWin32Dialog> window;
};
