// A one-line percentage bar on stderr, drawn only when stderr is a terminal.
#pragma once

#include <cstdint>

class ProgressBar {
 public:
  ProgressBar(const char* label, bool enabled);
  ~ProgressBar();
  void Show(uint32_t percent);
  // Ends the bar's line, so that the next message starts on its own.
  void Done();

 private:
  const char* label_;
  bool enabled_;
  int shown_ = -1;
};
