// Chunks of the work ranges and the switches back to the main thread.
#include <gtest/gtest.h>

#include <omp.h>

#include <vector>

#include "flow/cellequations.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

struct Range {
  int lo, hi;
};

std::vector<Range> cellChunks() {
  std::vector<Range> r;
  for (int p = 0; p < NoProcessesSolver; ++p) {
    Range x;
    cellChunk(p, x.lo, x.hi);
    r.push_back(x);
  }
  return r;
}

}  // namespace

// (WCEnd - WCStart + 1) / P cells per chunk, the last chunk to WCEnd.
TEST(ParallelStages, ChunksOfTheCellRange) {
  InProjectDir p;
  struct Case {
    int P, first, last;
    std::vector<Range> chunks;
  };
  const Case cases[] = {
      {4, 1, 10, {{1, 2}, {3, 4}, {5, 6}, {7, 10}}},
      {4, 1, 3, {{1, 0}, {1, 0}, {1, 0}, {1, 3}}},
      {3, 5, 13, {{5, 7}, {8, 10}, {11, 13}}},
      {1, 2, 9, {{2, 9}}},
  };
  for (const Case& k : cases) {
    NoProcessesSolver = k.P;
    WCStart = k.first, WCEnd = k.last;
    computeChunkSizes();
    const std::vector<Range> got = cellChunks();
    ASSERT_EQ(got.size(), k.chunks.size());
    for (size_t i = 0; i < got.size(); ++i) {
      const bool emptyWanted = k.chunks[i].lo > k.chunks[i].hi;
      if (emptyWanted) {
        EXPECT_GT(got[i].lo, got[i].hi) << "P " << k.P << " chunk " << i;
      } else {
        EXPECT_EQ(got[i].lo, k.chunks[i].lo) << "P " << k.P << " chunk " << i;
        EXPECT_EQ(got[i].hi, k.chunks[i].hi) << "P " << k.P << " chunk " << i;
      }
    }
  }
  // Faces alike from their own range.
  NoProcessesSolver = 4;
  WFStart = 11, WFEnd = 20;
  computeChunkSizes();
  int lo, hi;
  faceChunk(3, lo, hi);
  EXPECT_EQ(lo, 17);
  EXPECT_EQ(hi, 20);
  faceChunk(0, lo, hi);
  EXPECT_EQ(lo, 11);
  EXPECT_EQ(hi, 12);
}

// Sizes kept from a larger or smaller range still cover the new range
// exactly once: chunks are cut at the new ends.
TEST(ParallelStages, ChunksFromSizesOfAnotherRangeCoverTheRangeOnce) {
  InProjectDir p;
  NoProcessesSolver = 4;
  for (int oldEnd : {40, 6}) {
    WCStart = 1, WCEnd = oldEnd;
    computeChunkSizes();
    WCStart = 1, WCEnd = 20;
    std::vector<int> seen(21, 0);
    for (const Range& r : cellChunks())
      for (int c = r.lo; c <= r.hi; ++c) {
        ASSERT_GE(c, 1);
        ASSERT_LE(c, 20);
        ++seen[c];
      }
    for (int c = 1; c <= 20; ++c) EXPECT_EQ(seen[c], 1) << "old end " << oldEnd << " cell " << c;
  }
}

// Every chunk runs exactly once, on any number of threads.
TEST(ParallelStages, EveryChunkRunsOnceOnAnyThreadCount) {
  InProjectDir p;
  NoProcessesSolver = 5;
  for (int threads : {1, 2, 3, 8}) {
    omp_set_num_threads(threads);
    std::vector<int> runs(5, 0);
    forEachChunk([&](int q) {
#pragma omp atomic
      ++runs[q];
    });
    for (int q = 0; q < 5; ++q) EXPECT_EQ(runs[q], 1) << threads << " threads, chunk " << q;
  }
  omp_set_num_threads(1);
}

// G 50: values 1 and 10 go back to the main thread on any value, the others
// on 1 only; without F 206 every stage runs on the main thread.
TEST(ParallelStages, G50SwitchesToTheMainThread) {
  InProjectDir p;
  struct Case {
    int P, index, value;
    bool main;
  };
  const Case cases[] = {{4, 0, 2, true}, {4, 0, 0, false}, {4, 9, 2, true},  {4, 9, 0, false}, {4, 2, 1, true},
                        {4, 2, 2, false}, {4, 1, 1, true}, {4, 8, 0, false}, {0, 2, 0, true},  {0, 0, 0, true}};
  for (const Case& k : cases) {
    NoProcessesSolver = k.P;
    for (int i = 0; i < 10; ++i) FlagOpenMP[i] = 0;
    FlagOpenMP[k.index] = k.value;
    EXPECT_EQ(stageOnMainThread(k.index), k.main) << "P " << k.P << " G 50 value " << k.index + 1 << " = " << k.value;
  }
}

// The stamps are taken except in a slide computation; stamp 0 only outside
// the sediment loop.
TEST(ParallelStages, WallClockStamps) {
  InProjectDir p;
  otime[5] = otime[0] = -1.0;
  FlagThixoIsComputing = 1;
  stamp(5);
  EXPECT_EQ(otime[5], -1.0);
  FlagThixoIsComputing = 0;
  stamp(5);
  EXPECT_GT(otime[5], 0.0);
  FlagTSC = 1;
  stamp(0);
  EXPECT_EQ(otime[0], -1.0);
  FlagTSC = 0;
  stamp(0);
  EXPECT_GT(otime[0], 0.0);
}
