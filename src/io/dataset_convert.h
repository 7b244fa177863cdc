// Plain conversion of a data set's values for readers that give their own
// messages: the values are converted in reading order without any test, and
// the bounds of the row are tested apart.
#pragma once

#include "io/dataset.h"

// Converts the row's values in order and stops at the first that does not
// convert (it and the values after it keep their contents). Returns the count.
inline int convertValues(DataSetRead& d) {
  int count = 0;
  for (const Value& v : d.row.values) {
    bool ok = false;
    switch (v.type) {
      case VType::Int: ok = d.s.readInt(*static_cast<int*>(v.target)); break;
      case VType::Double: ok = d.s.readDouble(*static_cast<double*>(v.target)); break;
      case VType::Char: ok = d.s.readChar(*static_cast<char*>(v.target)); break;
    }
    if (!ok) break;
    ++count;
  }
  d.count = count;
  return count;
}

// True when every value of the row lies within the row's bounds.
inline bool boundsHold(const DataSetRead& d) {
  for (const Bound& b : d.row.bounds)
    if (!withinBound(b, valueAsDouble(d.row.values[b.index]))) return false;
  return true;
}
