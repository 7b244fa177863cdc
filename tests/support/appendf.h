// Appends printf-formatted text to a string, for the tests that write the
// engine's input files line by line (lines of at most 255 characters).
#pragma once

#include <cstdio>
#include <string>

template <class... V>
void appendf(std::string& t, const char* fmt, V... v) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, v...);
  t += buf;
}
