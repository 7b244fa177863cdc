#include "state/alloc.h"

#include <unistd.h>

#include <vector>

namespace {
struct Entry {
  void** slot;  // the pointer that was given the block (null for inner blocks)
  void* block;
  std::size_t bytes;
};
std::vector<Entry>& entries() {
  static std::vector<Entry> e;
  return e;
}
double gBytes = 0.0;
std::size_t gLive = 0;
std::size_t gLimit = 0;  // 0: the machine's physical memory
bool gLastFailureTable = false;

std::size_t physicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return SIZE_MAX;  // not reported: no limit of our own
  return alloc::product(static_cast<std::size_t>(pages), static_cast<std::size_t>(pageSize));
}
}  // namespace

namespace alloc {

double bytes() { return gBytes; }
void resetCount() { gBytes = 0.0; }
bool lastFailureWasTable() { return gLastFailureTable; }

std::size_t memoryLimit() {
  static const std::size_t machine = physicalMemory();
  return gLimit ? gLimit : machine;
}
void setMemoryLimit(std::size_t bytes) { gLimit = bytes; }
std::size_t liveBytes() { return gLive; }

void* rawBlock(void** slot, std::size_t count, std::size_t size, bool table) {
  // A zero count still gets one element, so that element 0 exists.
  const std::size_t n = count ? count : 1;
  const std::size_t need = product(n, size);
  const std::size_t limit = memoryLimit();
  void* b = need <= limit && gLive <= limit - need ? std::calloc(n, size) : nullptr;
  if (!b) {
    gLastFailureTable = table;
    return nullptr;
  }
  gBytes += static_cast<double>(count) * static_cast<double>(size);
  gLive += need;
  entries().push_back({slot, b, need});
  return b;
}

void release(void** slot) {
  std::vector<Entry>& e = entries();
  for (std::size_t k = 0; k < e.size(); ++k)
    if (e[k].slot == slot) {
      std::free(e[k].block);
      gLive -= e[k].bytes;
      e.erase(e.begin() + static_cast<std::ptrdiff_t>(k));
      *slot = nullptr;
      return;
    }
}

void releaseAll() {
  for (Entry& e : entries()) {
    if (e.slot) *e.slot = nullptr;
    std::free(e.block);
  }
  entries().clear();
  gBytes = 0.0;
  gLive = 0;
}

}  // namespace alloc
