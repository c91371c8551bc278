#include "tests/package/test_support.h"

#ifdef _WIN32
#include <process.h>
long ScratchDir::Pid() { return long(_getpid()); }
#else
#include <unistd.h>
long ScratchDir::Pid() { return long(getpid()); }
#endif
