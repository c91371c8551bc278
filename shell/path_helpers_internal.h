// Pieces of the path helpers shared inside shell/ and exposed for tests.
#pragma once

// Free bytes as KiB in a signed 32-bit result; 2 TiB and more becomes INT_MAX.
int KiBFromFreeBytes(unsigned long long bytes);

// The last backslash (or, with slashToo, forward slash) of s that is a character of its
// own and not the second byte of a double-byte character; null when there is none.
const char* LastSeparator(const char* s, bool slashToo);
// True when the last character of s is such a separator.
bool EndsWithSeparator(const char* s, bool slashToo);
