#include "state/numbered.h"

#include <sys/stat.h>

#include <cstdio>

std::string numberedName(const std::string& stem, int counter, int width, const std::string& ending) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*d", width, counter);
  return stem + digits + ending;
}

bool fileNameTaken(const std::string& name) {
  struct stat st;
  return lstat(name.c_str(), &st) == 0;
}

std::string findFreeFileName(const std::string& stem, int width, const std::string& ending, int last) {
  for (int n = 0; n < last; ++n) {
    std::string name = numberedName(stem, n, width, ending);
    if (!fileNameTaken(name)) return name;
  }
  return numberedName(stem, last, width, ending);
}
