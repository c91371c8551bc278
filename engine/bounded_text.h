// Bounded text formatting for the engine's fixed buffers.
#pragma once

#include <cstddef>

// snprintf into buffer[capacity]; false when the text had to be cut. A cut never
// leaves half of a double-byte character at the end.
bool FormatText(char* buffer, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Copies text, cut like FormatText; false when it was cut.
bool CopyText(char* buffer, size_t capacity, const char* text);
