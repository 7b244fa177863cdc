// Sizes the arrays cannot hold: the size arithmetic never wraps, a size option
// whose element counts do not fit an int is refused by its data set, and an
// allocation beyond the memory the machine can give is refused before it is
// made, with the allocation message and a failure status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/dataset_cases.h"
#include "support/in_dir.h"

namespace {

constexpr std::size_t kMax = SIZE_MAX;
constexpr std::size_t k2(int e) { return std::size_t{1} << e; }

// ---- checked size arithmetic ----------------------------------------------

struct ProductRow {
  std::size_t a, b, c;  // c = 1 for a product of two
  std::size_t expected;
};

TEST(SizeArithmetic, ProductsSaturateInsteadOfWrapping) {
  const ProductRow rows[] = {
      {3, 4, 1, 12},
      {0, kMax, 1, 0},
      {kMax, 1, 1, kMax},
      {kMax / 2, 2, 1, kMax - 1},    // the largest even product that fits
      {kMax / 2 + 1, 2, 1, kMax},    // 2^64 wraps to 0 without the check
      {k2(32), k2(32), 1, kMax},     // 2^64
      {k2(21), k2(21), k2(21), k2(63)},
      {k2(21), k2(21), k2(22), kMax},  // 2^64 in the third factor
      {k2(40), k2(30), 0, 0},          // 2^70 first, then times 0: saturated, then 0
  };
  for (const ProductRow& r : rows) {
    SCOPED_TRACE(std::to_string(r.a) + " * " + std::to_string(r.b) + " * " + std::to_string(r.c));
    EXPECT_EQ(alloc::product(alloc::product(r.a, r.b), r.c), r.expected);
    EXPECT_EQ(alloc::product(r.a, r.b, r.c), r.expected);
  }
}

TEST(SizeArithmetic, ExtentsOfIntSizesAreComputedIn64Bits) {
  struct Row {
    int n, extra;
    std::size_t expected;
  };
  const Row rows[] = {
      {5, 2, 7},
      {0, 0, 0},
      {INT32_MAX, 2, std::size_t{2147483649}},  // INT_MAX + 2 would wrap in int
      {INT32_MAX, 3, std::size_t{2147483650}},
      {-1, 2, 1},
      {-2, 2, 0},
      {-3, 2, 0},  // a negative range is empty, not a huge unsigned count
      {INT32_MIN, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.n) + " + " + std::to_string(r.extra));
    EXPECT_EQ(alloc::extent(r.n, r.extra), r.expected);
  }
}

// ---- the memory limit -------------------------------------------------------

// Lowers the limit for one test and restores the machine's afterwards.
class LimitedMemory {
 public:
  explicit LimitedMemory(std::size_t bytes) { alloc::setMemoryLimit(bytes); }
  ~LimitedMemory() { alloc::setMemoryLimit(0); }
};

TEST(MemoryLimit, IsThePhysicalMemoryUnlessLowered) {
  const std::size_t machine =
      static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<std::size_t>(sysconf(_SC_PAGE_SIZE));
  EXPECT_EQ(alloc::memoryLimit(), machine);
  {
    LimitedMemory lowered(4096);
    EXPECT_EQ(alloc::memoryLimit(), 4096u);
  }
  EXPECT_EQ(alloc::memoryLimit(), machine);
}

TEST(MemoryLimit, CountsEveryLiveBlockAndRefusesTheOneBeyond) {
  InProjectDir dir;
  LimitedMemory lowered(1000);
  // Static: the registry nulls these pointers when it releases the blocks.
  static double* a = nullptr;
  static int* b = nullptr;
  static double* c = nullptr;
  ASSERT_TRUE(allocate1(a, 100));   // 800 bytes
  ASSERT_TRUE(allocate1(b, 50));    // 200 more: exactly the limit
  EXPECT_EQ(alloc::liveBytes(), 1000u);
  EXPECT_FALSE(allocate1(c, 0));    // even the one element of an empty array is beyond it
  EXPECT_EQ(c, nullptr);
  EXPECT_DOUBLE_EQ(alloc::bytes(), 1000.0);  // a refused block adds nothing
  SetArraysZero();                           // releasing gives the bytes back
  EXPECT_EQ(alloc::liveBytes(), 0u);
  EXPECT_TRUE(allocate1(c, 125));  // 1000 bytes in one block
  static double* d = nullptr;
  SetArraysZero();
  EXPECT_FALSE(allocate1(d, 126));  // 1008 bytes
}

TEST(MemoryLimit, AWrappingElementCountIsRefusedNotShrunk) {
  InProjectDir dir;
  LimitedMemory lowered(std::size_t{16} << 20);
  // 1 x 2^20 x 2^44 elements: the product 2^64 wraps to 0 in plain size_t
  // arithmetic, and the 8 MB row table would fit.
  // (sizes known only at run time, as the options give them)
  volatile std::size_t rows = k2(20), cols = k2(44);
  static double*** p = nullptr;
  EXPECT_FALSE(allocate3(p, 1, rows, cols));
  EXPECT_EQ(p, nullptr);
}

// The block grid of G 1 6 5 4 with five level surfaces, worked by hand:
// nx = 8, ny = 7, nz = 6 (i 0..7, j 0..6, k 0..5)
//   two-index double [8][7]: data 56*8 = 448, table 8*8 = 64      -> 512
//   two-index int    [8][7]: data 56*4 = 224, table 64            -> 288
//   zval [8][7][6]: data 336*8 = 2688, tables 56*8 + 8*8 = 512    -> 3200
//   Surfaces [5][8][7]: data 280*8 = 2240, tables 40*8 + 5*8 = 360 -> 2600
//   xval, yval, armap, roughness: 4*512; pointbed, bedOutBlock, pointcell_old: 3*288
constexpr std::size_t kSmallBlockGrid = 4 * 512 + 3 * 288 + 3200 + 2600;  // 8712

void smallBlockGrid() {
  xnumber = 6;
  ynumber = 5;
  znumber = 4;
  lnumber = 1;
}

TEST(MemoryLimit, BlockGridThatFitsExactlyIsAllocated) {
  InProjectDir dir;
  smallBlockGrid();
  LimitedMemory lowered(kSmallBlockGrid);
  EXPECT_EQ(sialloc(), 0);
  EXPECT_EQ(alloc::liveBytes(), kSmallBlockGrid);
  EXPECT_TRUE(dir.dir().boogieHas("Have allocated         0.01 Mbytes structured arrays"));
}

TEST(MemoryLimit, BlockGridOneByteBeyondIsRefusedWithTheAllocationMessage) {
  InProjectDir dir;
  smallBlockGrid();
  LimitedMemory lowered(kSmallBlockGrid - 1);
  EXPECT_EQ(sialloc(), -1);
  // The last block is the 64-byte row table of pointcell_old: 8712 - 64 bytes
  // were allocated before it.
  EXPECT_EQ(dir.dir().boogie(), "Allocated 0.008648 Mbyte when out of memory\n");
  EXPECT_EQ(pointcell_old, nullptr);
}

// The unstructured arrays and an optional family obey the same limit: the
// total of a run is allocated when the limit is that total, and refused one
// byte below it (the last block is the optional family's).
TEST(MemoryLimit, UnstructuredAndOptionalArraysObeyTheSameLimit) {
  auto smallModel = [] {
    MaxCeller = 100;
    MaxFlater = 200;
    MaxPunkter = 150;
    MaxNester = 10;
    MaxConnFlate = 5;
    smallBlockGrid();
    FlagFractionsPrint = 1;  // Bfractionsprint, the last family of all
  };
  std::size_t total = 0;
  {
    InProjectDir dir;
    smallModel();
    ASSERT_GT(AllocateArrays(1, 1, 1), 0.0);
    ASSERT_NE(Bfractionsprint, nullptr);
    total = alloc::liveBytes();
  }
  {
    InProjectDir dir;
    smallModel();
    LimitedMemory lowered(total);
    EXPECT_GT(AllocateArrays(1, 1, 1), 0.0);
    EXPECT_NE(Bfractionsprint, nullptr);
  }
  {
    InProjectDir dir;
    smallModel();
    LimitedMemory lowered(total - 1);
    EXPECT_DOUBLE_EQ(AllocateArrays(1, 1, 1), -1.0);
    EXPECT_EQ(Bfractionsprint, nullptr);
    EXPECT_NE(Cflatee, nullptr);  // the arrays before it stay allocated
    EXPECT_NE(dir.dir().boogie().find("Mbyte when out of memory\n"), std::string::npos);
  }
}

// ---- size options refused by their data sets (real engine) ----------------
//
// Each size's arrays count their elements in int: G 1 (xnumber+3)(ynumber+3)
// bed cells and znumber+2 levels, F 358 window+2, F 294 levels+2, F 81
// records+1, F 168 levels+2, F 201 times+1. INT_MAX = 2147483647.

const RefusalCase kTooLarge[] = {
    {"G 1 2147483647 8 11 1\n", 2, "Input error for G 1 in control"},
    {"G 1 23 2147483647 11 1\n", 2, "Input error for G 1 in control"},
    {"G 1 23 8 2147483647 1\n", 2, "Input error for G 1 in control"},
    // (306783376+3)*(4+3) = 2147483653, the first capacity beyond INT_MAX
    {"G 1 306783376 4 2 0\n", 2, "Input error for G 1 in control"},
    {"G 1 4 306783376 2 0\n", 2, "Input error for G 1 in control"},
    {"G 1 2147483647\n", 2, "Input error for G 1 in control"},  // with the default ynumber 300
    {"G 1 23 8 2147483646 1\n", 2, "Input error for G 1 in control"},
    {"F 358 3 2147483647 3 4 2.5 2.5\n", 2, "Error for F 358 in control\n"},
    {"F 358 3 2147483646 3 4 2.5 2.5\n", 2, "Error for F 358 in control\n"},
    {"F 358 3 5 3 2147483646 2.5 2.5\n", 2, "Error for F 358 in control\n"},
    {"F 294 2147483647\n", 2, "Error for F 294 in control\n"},
    {"F 294 2147483646\n", 2, "Error for F 294 in control\n"},
    {"F 81 2147483647\n", 2, "Error for F 81 in control"},
    {"F 168 2147483646\n", 2, "Error for F 168 in control\n"},
    {"F 201 1 4 2147483647\n", 2, "Error for F 201 in control"},
};

class SizeRefusals : public ::testing::TestWithParam<RefusalCase> {};
TEST_P(SizeRefusals, EndWithTheDataSetsMessageAndAFailureStatus) { checkRefusal(GetParam()); }
INSTANTIATE_TEST_SUITE_P(TooLarge, SizeRefusals, ::testing::ValuesIn(kTooLarge));

// The largest sizes whose counts still fit are accepted by their data sets.
const ReadCase kLargestAccepted[] = {
    {"G 1 306783375 4 2 0\n", nullptr, {EI(xnumber, 300, 306783375), EI(ynumber, 300, 4)}},
    {"G 1 4 306783375 2 0\n", nullptr, {EI(xnumber, 300, 4), EI(ynumber, 300, 306783375)}},
    {"G 1 23 8 2147483645 1\n", nullptr, {EI(znumber, 11, 2147483645)}},
    // the G 4 box reaches znumber + 4, beyond INT_MAX here
    {"G 1 23 8 2147483645 1\nG 4 2 2 2147483647\n", nullptr, {EI(k_pointsource, 0, 2147483647)}},
    {"F 358 3 2147483645 3 2147483645 2.5 2.5\n", nullptr,
     {EI(BedStatI2, 0, 2147483645), EI(BedStatJ2, 0, 2147483645)}},
    {"F 294 2147483645\n", nullptr, {EI(InspaceAlloc, 0, 2147483645)}},
    {"F 81 2147483646\n", nullptr, {EI(ArrayTimeSteps, 200, 2147483646)}},
    {"F 168 2147483645\n", nullptr, {EI(Flag2DAccSolver, 0, 2147483645)}},
    {"F 201 1 4 2147483646\n", nullptr, {EI(VegTimes, 1, 2147483646)}},
};

class SizeAccepted : public ::testing::TestWithParam<ReadCase> {};
TEST_P(SizeAccepted, StoresTheLargestSizeThatFits) { checkReadCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Largest, SizeAccepted, ::testing::ValuesIn(kLargestAccepted));

// ---- allocations beyond the machine (real engine) --------------------------

std::size_t machineBytes() {
  return static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES)) * static_cast<std::size_t>(sysconf(_SC_PAGE_SIZE));
}

struct MemoryCase {
  const char* control;
  double needs;  // bytes the run needs at least (worked by hand)
  int status;
  const char* logEnd;
  const char* neverLogged;  // the total of the refused allocation
  bool gigabytesFirst;      // blocks of gigabytes are allocated before the refused one
};

// Under AddressSanitizer every allocated block gets its shadow memory written,
// so blocks of gigabytes that stay untouched in a normal build cost minutes
// and gigabytes of resident memory there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif
void PrintTo(const MemoryCase& c, std::ostream* os) { *os << '"' << c.control << '"'; }

constexpr const char* kBlockGridRefused = "Mbyte when out of memory\nCould not allocate enough memory";
constexpr const char* kBlockGridTotal = "Mbytes structured arrays";
constexpr const char* kUnstructuredTotal = "Mbytes unstructured arrays";
constexpr const char* kUnstructuredRefused =
    "Error in allocation of arrays. The array size is probably\n"
    "larger than what is available of memory on your computer\n\n";

const MemoryCase kBeyondMemory[] = {
    // zval alone: 25 * 8000002 * 13 * 8 = 2.08e10; with xval, yval, Surfaces,
    // armap, roughness and the int maps about 3.92e10
    {"G 1 23 8000000 11 1\n", 3.92e10, 253, kBlockGridRefused, kBlockGridTotal, true},
    // xval alone: 40002^2 * 8 = 1.28e10, zval 40002^2 * 4999 * 8 = 6.4e16
    {"G 1 40000 40000 4997 1\n", 6.4e16, 253, kBlockGridRefused, kBlockGridTotal, true},
    // the largest accepted F 294: 2147483647 * 20 * 20 * 8 = 6.9e12 (its table
    // is allocated after the block-grid total has been logged)
    {"F 294 2147483645\n", 6.9e12, 253, kBlockGridRefused, kUnstructuredTotal, false},
    // 2147483647^2 * 8 bytes do not even fit size_t
    {"F 358 1 2147483645 1 2147483645 0 0\n", 3.7e19, 253, kBlockGridRefused, kBlockGridTotal, false},
    // the per-cell int arrays alone: 27 * 4 * 2147483647 = 2.3e11
    {"F 65 2147483647 2147483647 2147483647 10000 1000\n", 2.3e11, 2, kUnstructuredRefused, kUnstructuredTotal, true},
};

class BeyondMemory : public ::testing::TestWithParam<MemoryCase> {};
TEST_P(BeyondMemory, EndsWithTheAllocationMessageBeforeAllocating) {
  const MemoryCase& c = GetParam();
  if (static_cast<double>(machineBytes()) >= c.needs) GTEST_SKIP() << "this machine could hold the run";
  if (kAddressSanitizer && c.gigabytesFirst) GTEST_SKIP() << "gigabytes of shadow memory under AddressSanitizer";
  CaseResult res = runControl(c.control);
  EXPECT_EQ(res.status, c.status) << res.boogie;
  EXPECT_TRUE(endsWith(res.boogie, c.logEnd)) << res.boogie;
  EXPECT_FALSE(res.has(c.neverLogged)) << res.boogie;
}
INSTANTIATE_TEST_SUITE_P(Refused, BeyondMemory, ::testing::ValuesIn(kBeyondMemory));

}  // namespace
