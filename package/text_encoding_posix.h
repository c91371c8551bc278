// Text encoding conversion on POSIX systems, where file names are UTF-8 and package
// names GBK.
#pragma once

#include <string>

// Converts all of in from one iconv encoding to another; false (out untouched) when
// the encoding is unknown or any byte has no form in the target.
bool ConvertEncoding(const char* to, const char* from, const std::string& in, std::string& out);
