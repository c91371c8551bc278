// Small pieces the engine's files share.
#pragma once

#include <windows.h>

#include "engine/setup_info.h"

// Posts to notifyWindow. Before the worker exists the handle is empty and the
// message would land in the calling thread's own queue, so nothing is posted.
inline void PostToWindow(const SetupInfo& setup, UINT message, LPARAM value) {
  if (setup.notifyWindow != nullptr) PostMessageA(setup.notifyWindow, message, 0, value);
}

// The engine's error box: errorText (or the fallback when it is empty), caption "错误".
void ShowEngineError(SetupInfo& setup);

// Percentage of a download after received bytes of contentLength (not 0); unsigned
// 32-bit, so a server that sends more than it announced gives more than 100.
DWORD DownloadPercentage(DWORD received, DWORD contentLength);
