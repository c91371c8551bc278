// Shared fixtures of the engine's tests: a notify window whose queue the test drains,
// captured boxes, scratch folders, files and packages.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/setup_info.h"
#include "tests/support/test_server.h"

// The one server of the test program, on the port of kSetupConfigUrl.
TestServer& Server();

struct Box {
  std::string caption;
  std::string text;
};
// Boxes shown since the last call (answered with IDOK at once).
std::vector<Box> TakeBoxes();

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A hidden window on the test's thread that collects what the engine posts.
class NotifyWindow {
 public:
  NotifyWindow();
  ~NotifyWindow();
  HWND Handle() const { return window_; }
  std::vector<Posted> Drain();

 private:
  HWND window_ = nullptr;
};

// "S2 S2 P0..100 S4 P0..100 S6": statuses as S<n>, each run of progress messages as
// P<first>..<last> (P<n> for a run of one).
std::string Outline(const std::vector<Posted>& posted);
std::vector<LPARAM> ProgressValues(const std::vector<Posted>& posted);

// Runs the install worker to its end and returns what it posted.
std::vector<Posted> RunWorker(SetupInfo& setup, NotifyWindow& window, const std::string& dir);

// A fresh, empty folder under the temp directory, ending with a backslash.
std::string ScratchDir(const std::string& name);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// An encrypted package holding the named files (names with their top folder).
std::string BuildPackage(const std::vector<std::pair<std::string, std::string>>& files);

// The bytes of a small program beside the test that writes started.txt, holding its
// current directory, into that directory.
std::string TestClientBytes();

// A setup configuration file with the given [config] text; returns its path.
std::string WriteConfig(const std::string& dir, const std::string& configSection);
