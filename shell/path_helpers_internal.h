// Pieces of the path helpers exposed for tests only.
#pragma once

// Free bytes as KiB in a signed 32-bit result; 2 TiB and more becomes INT_MAX.
int KiBFromFreeBytes(unsigned long long bytes);
