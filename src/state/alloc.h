// Allocation of the model arrays.
//
// Every array is one zero-filled block (plus row tables for the multi-index
// families), 1-based with element 0 belonging to nothing. The registry keeps
// every block and the pointer it was given to: it counts the bytes for the
// allocation log line and lets releaseAllArrays() null every pointer and free
// every block (SetArraysZero, tests that start afresh).
#pragma once

#include <cstddef>
#include <cstdlib>

namespace alloc {

// Bytes allocated since the last resetCount().
double bytes();
void resetCount();
// The bytes of the block that failed last, for the out-of-memory message.
bool lastFailureWasTable();

void* rawBlock(void** slot, std::size_t count, std::size_t size, bool table);
void releaseAll();

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
  T* data = static_cast<T*>(alloc::rawBlock(nullptr, rows * cols, sizeof(T), false));
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
  T* data = static_cast<T*>(alloc::rawBlock(nullptr, a * b * e, sizeof(T), false));
  if (!data) return false;
  T** mid = static_cast<T**>(alloc::rawBlock(nullptr, a * b, sizeof(T*), true));
  if (!mid) return false;
  T*** top = static_cast<T***>(alloc::rawBlock(reinterpret_cast<void**>(&p), a, sizeof(T**), true));
  if (!top) return false;
  for (std::size_t i = 0; i < a * b; ++i) mid[i] = data + i * e;
  for (std::size_t i = 0; i < a; ++i) top[i] = mid + i * b;
  p = top;
  return true;
}
