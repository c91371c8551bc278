#include "tools/pack/progress_bar.h"

#include <cstdio>

ProgressBar::ProgressBar(const char* label, bool enabled) : label_(label), enabled_(enabled) {}

ProgressBar::~ProgressBar() { Done(); }

void ProgressBar::Done() {
  if (enabled_ && shown_ >= 0) std::fputc('\n', stderr);
  shown_ = -1;
}

void ProgressBar::Show(uint32_t percent) {
  if (!enabled_) return;
  if (percent > 100) percent = 100;
  if (int(percent) == shown_) return;
  shown_ = int(percent);
  char bar[41];
  int filled = int(percent) * 40 / 100;
  for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
  bar[40] = '\0';
  std::fprintf(stderr, "\r%-8s [%s] %3u%%", label_, bar, percent);
  std::fflush(stderr);
}
