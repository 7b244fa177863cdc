// Allocation of the model arrays.
//
// Every array is one zero-filled block (plus row tables for the multi-index
// families), 1-based with element 0 belonging to nothing. The registry keeps
// every block and the pointer it was given to: it counts the bytes for the
// allocation log line and lets releaseAllArrays() null every pointer and free
// every block (SetArraysZero, tests that start afresh).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace alloc {

// Element counts never wrap: a product too large for size_t saturates at
// SIZE_MAX, which no machine can hold, so the block is refused as too large.
inline std::size_t product(std::size_t a, std::size_t b) {
  std::size_t r = 0;
  return __builtin_mul_overflow(a, b, &r) ? SIZE_MAX : r;
}
inline std::size_t product(std::size_t a, std::size_t b, std::size_t c) { return product(product(a, b), c); }

// The extent n + extra of an index range given by an int size option,
// computed in 64 bits; an empty or negative range has no elements.
inline std::size_t extent(int n, int extra = 0) {
  const long long e = static_cast<long long>(n) + extra;
  return e > 0 ? static_cast<std::size_t>(e) : 0;
}

// Bytes the model arrays may hold in all: the physical memory of the machine
// as the system reports it, or the lower limit set by setMemoryLimit. A block
// that would take the arrays beyond it is refused before it is allocated, so
// that a run too large for the machine ends with the allocation message
// instead of being killed later when the pages are touched.
std::size_t memoryLimit();
// A limit below the machine's (tests); 0 restores the machine's.
void setMemoryLimit(std::size_t bytes);
// Bytes held by every block allocated and not released.
std::size_t liveBytes();

// Bytes allocated since the last resetCount().
double bytes();
void resetCount();
// The bytes of the block that failed last, for the out-of-memory message.
bool lastFailureWasTable();

// A zero-filled block of count elements of size bytes (one element when count
// is 0), recorded in the registry; null when it does not fit the memory limit
// or the system refuses it.
void* rawBlock(void** slot, std::size_t count, std::size_t size, bool table);
void releaseAll();
// Frees the block that was given to the pointer at slot (a one-index array)
// and nulls the pointer, so that its reader can allocate it anew.
void release(void** slot);

}  // namespace alloc

// One-index array of n elements; true on success (or when already allocated).
template <class T>
bool allocate1(T*& p, std::size_t n) {
  if (p) return true;
  p = static_cast<T*>(alloc::rawBlock(reinterpret_cast<void**>(&p), n, sizeof(T), false));
  return p != nullptr;
}

// Two-index array [rows][cols]: one data block and one row table.
template <class T>
bool allocate2(T**& p, std::size_t rows, std::size_t cols) {
  if (p) return true;
  T* data = static_cast<T*>(alloc::rawBlock(nullptr, alloc::product(rows, cols), sizeof(T), false));
  if (!data) return false;
  T** table = static_cast<T**>(alloc::rawBlock(reinterpret_cast<void**>(&p), rows, sizeof(T*), true));
  if (!table) return false;
  for (std::size_t r = 0; r < rows; ++r) table[r] = data + r * cols;
  p = table;
  return true;
}

// Three-index array [a][b][e]: one data block, a middle and a top table.
template <class T>
bool allocate3(T***& p, std::size_t a, std::size_t b, std::size_t e) {
  if (p) return true;
  T* data = static_cast<T*>(alloc::rawBlock(nullptr, alloc::product(a, b, e), sizeof(T), false));
  if (!data) return false;
  T** mid = static_cast<T**>(alloc::rawBlock(nullptr, alloc::product(a, b), sizeof(T*), true));
  if (!mid) return false;
  T*** top = static_cast<T***>(alloc::rawBlock(reinterpret_cast<void**>(&p), a, sizeof(T**), true));
  if (!top) return false;
  for (std::size_t i = 0; i < a * b; ++i) mid[i] = data + i * e;
  for (std::size_t i = 0; i < a; ++i) top[i] = mid + i * b;
  p = top;
  return true;
}

// Four-index array [a][b][c][e]: one data block and three row tables.
template <class T>
bool allocate4(T****& p, std::size_t a, std::size_t b, std::size_t c, std::size_t e) {
  if (p) return true;
  const std::size_t abc = alloc::product(a, b, c);
  T* data = static_cast<T*>(alloc::rawBlock(nullptr, alloc::product(abc, e), sizeof(T), false));
  if (!data) return false;
  T** t3 = static_cast<T**>(alloc::rawBlock(nullptr, abc, sizeof(T*), true));
  if (!t3) return false;
  T*** t2 = static_cast<T***>(alloc::rawBlock(nullptr, alloc::product(a, b), sizeof(T**), true));
  if (!t2) return false;
  T**** t1 = static_cast<T****>(alloc::rawBlock(reinterpret_cast<void**>(&p), a, sizeof(T***), true));
  if (!t1) return false;
  for (std::size_t i = 0; i < a * b * c; ++i) t3[i] = data + i * e;
  for (std::size_t i = 0; i < a * b; ++i) t2[i] = t3 + i * c;
  for (std::size_t i = 0; i < a; ++i) t1[i] = t2 + i * b;
  p = t1;
  return true;
}
