// Field access of the parallel in-place relaxations. Cells next to the edge
// of a thread's share are read while another thread writes them; such
// accesses are relaxed atomics, which compile to plain moves on x86-64.
#pragma once

#include <atomic>

template <bool kShared>
inline double ld(const double* f, int i) {
  if constexpr (kShared)
    return std::atomic_ref<double>(const_cast<double&>(f[i])).load(std::memory_order_relaxed);
  else
    return f[i];
}

template <bool kShared>
inline void st(double* f, int i, double v) {
  if constexpr (kShared)
    std::atomic_ref<double>(f[i]).store(v, std::memory_order_relaxed);
  else
    f[i] = v;
}
