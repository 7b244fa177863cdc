#include "io/terrain.h"

bool nextTerrainPoint(Scanner& s, const char* file, double xyz[3]) {
  for (int c = s.get(); c >= 0; c = s.get()) {
    if (c == 'Z') return false;
    if (c == 'S') {
      s.skipLine();
    } else if (c == 'E') {
      const std::size_t at = s.position() - 1;
      if (s.readDoubles(xyz, 3) != 3) unreadableRecord(s, at, file, "an E record holds three numbers: x, y, z");
      return true;
    }
  }
  return false;
}
