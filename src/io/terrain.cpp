#include "io/terrain.h"

#include <cctype>

bool nextTerrainPoint(Scanner& s, const char* file, double xyz[3]) {
  for (int c = s.get(); c >= 0; c = s.get()) {
    if (c == 'Z') return false;
    if (c == 'S') {
      s.skipLine();
    } else if (c == 'E') {
      const std::size_t at = s.position() - 1;
      const char* what = "an E record holds three numbers: x, y, z";
      if (s.readDoubles(xyz, 3) != 3) {
        recordFailed(s, at, file, what, true);
        return false;
      }
      // A number cut short ("1e") or a stray value after the three on the
      // same line: the record does not say what it seems to.
      const int next = s.peek();
      if (std::isalnum(next) || next == '.') unreadableRecord(s, at, file, what);
      while (s.peek() == ' ' || s.peek() == '\t') s.get();
      const int after = s.peek();
      if (std::isdigit(after) || after == '-' || after == '+' || after == '.') unreadableRecord(s, at, file, what);
      return true;
    }
  }
  return false;
}
