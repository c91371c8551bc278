#include "engine/bounded_text.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// A byte cut from the end may have been the lead of a double-byte character; only a
// walk from the start can tell a lead byte from a trail byte.
void DropHalfCharacter(char* buffer) {
  size_t i = 0;
  size_t length = strlen(buffer);
  while (i < length) {
    if (IsDBCSLeadByte(static_cast<BYTE>(buffer[i]))) {
      if (i + 1 >= length) {
        buffer[i] = '\0';
        return;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
}

}  // namespace

bool FormatText(char* buffer, size_t capacity, const char* format, ...) {
  if (capacity == 0) return false;
  va_list args;
  va_start(args, format);
  int needed = vsnprintf(buffer, capacity, format, args);
  va_end(args);
  if (needed < 0) {
    buffer[0] = '\0';
    return false;
  }
  if (static_cast<size_t>(needed) < capacity) return true;
  DropHalfCharacter(buffer);
  return false;
}

bool CopyText(char* buffer, size_t capacity, const char* text) {
  return FormatText(buffer, capacity, "%s", text);
}
