// The control file as a table of data sets.
//
// One DataSet row per data set: its number, the values it reads (each with its
// target, type and default), the bounds of the accepted values, the refusal
// message and status, and two optional hooks: `reader` replaces the plain
// value reading (strings, records added to lists), `after` runs when the
// values have been accepted (side effects, special checks). The defaults,
// the reader `kread`, the writer of control.new and the table-driven tests all
// read the same rows.
//
// Each family of data sets has its own file src/io/datasets_<family>.cpp that
// returns its rows; see datasetFamilies() in kread.cpp.
#pragma once

#include <climits>
#include <vector>

#include "state/scanner.h"

enum class VType : char { Int, Double, Char };

struct Value {
  VType type;
  void* target;
  double def;  // default; for Char the character code
};

inline Value I(int& v, int def) { return {VType::Int, &v, static_cast<double>(def)}; }
inline Value D(double& v, double def) { return {VType::Double, &v, def}; }
inline Value C(char& v, char def) { return {VType::Char, &v, static_cast<double>(static_cast<unsigned char>(def))}; }

// An accepted range of value `index` (0-based in reading order).
struct Bound {
  int index;
  double lo, hi;
  bool loOpen = false, hiOpen = false;  // exclusive bounds ("above", "below")
  bool absolute = false;                // the bound applies to the absolute value
};

constexpr double kNoLimit = 1e308;
inline Bound range(int i, double lo, double hi) { return {i, lo, hi}; }
inline Bound atLeast(int i, double lo) { return {i, lo, kNoLimit}; }
inline Bound atMost(int i, double hi) { return {i, -kNoLimit, hi}; }
inline Bound above(int i, double lo) { return {i, lo, kNoLimit, true, false}; }
inline Bound below(int i, double hi) { return {i, -kNoLimit, hi, false, true}; }
inline Bound absAtMost(int i, double hi) { return {i, -kNoLimit, hi, false, false, true}; }
// A size whose arrays hold value + extra elements: that count must fit an int,
// the type every index and element count of the model arrays has.
inline Bound countFits(int i, int extra) { return atMost(i, static_cast<double>(INT_MAX) - extra); }

struct DataSetRead;
using DataSetHook = void (*)(DataSetRead&);

// A row that stands for every number of its letter (S, N, M, Q, H, L, T, I).
constexpr int kAnyNumber = -1000000;

struct DataSet {
  char letter;
  int number;
  std::vector<Value> values;
  std::vector<Bound> bounds;
  int required = -1;                     // values that must convert, -1 untested
  const char* message = nullptr;         // refusal message, written as it stands
  const char* countMessage = nullptr;    // message for a short data set ("%d": the count); else `message`
  int status = 1;                        // exit status of a refusal
  DataSetHook reader = nullptr;          // reads the values itself
  DataSetHook after = nullptr;           // side effects after acceptance
  void (*defaults)() = nullptr;          // defaults that are not plain values (arrays, records)
};

// What a hook sees of the data set being read.
struct DataSetRead {
  Scanner& s;
  const DataSet& row;
  int number;       // the data-set number (or first integer)
  int number2;      // the second integer (N, Q)
  int count;        // values converted by the plain reading

  // Refuses with the row's message and status.
  [[noreturn]] void refuse() const;
  // Refuses with another message and status (status 1 or 0 end with 2).
  [[noreturn]] void refuseWith(int status, const char* fmt, ...) const __attribute__((format(printf, 3, 4)));
};

// Reads the plain values of a row, tests bounds and count; returns the count.
int readValues(Scanner& s, const DataSet& row, DataSetRead& ctx);
// True when value `v` (as double) lies within the bound.
bool withinBound(const Bound& b, double v);
// The current content of a row's value as a double.
double valueAsDouble(const Value& v);
// Assigns the defaults of every row of every family.
void applyDataSetDefaults();
// The row of a data set, or null when the letter does not dispatch the number.
const DataSet* findDataSet(char letter, int number);
// Every row of every family, in family order.
const std::vector<const DataSet*>& allDataSets();
