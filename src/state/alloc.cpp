#include "state/alloc.h"

#include <vector>

namespace {
struct Entry {
  void** slot;  // the pointer that was given the block (null for inner blocks)
  void* block;
};
std::vector<Entry>& entries() {
  static std::vector<Entry> e;
  return e;
}
double gBytes = 0.0;
bool gLastFailureTable = false;
}  // namespace

namespace alloc {

double bytes() { return gBytes; }
void resetCount() { gBytes = 0.0; }
bool lastFailureWasTable() { return gLastFailureTable; }

void* rawBlock(void** slot, std::size_t count, std::size_t size, bool table) {
  // A zero count still gets one element, so that element 0 exists.
  std::size_t n = count ? count : 1;
  void* b = std::calloc(n, size);
  if (!b) {
    gLastFailureTable = table;
    return nullptr;
  }
  gBytes += static_cast<double>(count) * static_cast<double>(size);
  entries().push_back({slot, b});
  return b;
}

void releaseAll() {
  for (Entry& e : entries()) {
    if (e.slot) *e.slot = nullptr;
    std::free(e.block);
  }
  entries().clear();
  gBytes = 0.0;
}

}  // namespace alloc
