// Dividing work among the threads of a parallel region.
#pragma once

// The static share of n items (numbered from 0) among nthreads threads:
// thread t gets a contiguous run, the first n mod nthreads threads one item
// more. Sets begin (first item) and end (one past the last); an empty share
// has begin == end.
inline void staticShare(int n, int nthreads, int t, int& begin, int& end) {
  if (n <= 0 || nthreads <= 0 || t < 0 || t >= nthreads) {
    begin = end = 0;
    return;
  }
  const int q = n / nthreads, r = n % nthreads;
  begin = t < r ? t * (q + 1) : t * q + r;
  end = begin + (t < r ? q + 1 : q);
}

// Block p (0..parts-1) of the range first..last cut into parts equal blocks
// of (last - first + 1) / parts items, the last block running to last. Sets
// lo..hi (inclusive); an empty block has lo > hi.
inline void blockOfRange(int first, int last, int parts, int p, int& lo, int& hi) {
  const int len = last - first + 1;
  if (parts <= 0 || len <= 0) {
    lo = first;
    hi = first - 1;
    return;
  }
  const int b = len / parts;
  lo = first + p * b;
  hi = p == parts - 1 ? last : first + (p + 1) * b - 1;
}

// Cells and faces per chunk (F 206), kept from one outer iteration to the
// next and set by computeChunkSizes at the start of each.
inline int deltac = 0, deltaf = 0;

// Cells and faces per chunk from the work ranges (F 206 chunks).
void computeChunkSizes();
// Cells (faces) of chunk p; lo > hi for an empty chunk.
void cellChunk(int p, int& lo, int& hi);
void faceChunk(int p, int& lo, int& hi);
