// A one-line percentage bar on stderr, drawn only when stderr is a terminal.
#pragma once

#include <cstdint>

class ProgressBar {
 public:
  ProgressBar(const char* label, bool enabled);
  ~ProgressBar();
  void Show(uint32_t percent);

 private:
  const char* label_;
  bool enabled_;
  int shown_ = -1;
};
