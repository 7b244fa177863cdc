#include "io/dataset.h"

#include <cmath>
#include <cstdarg>
#include <map>
#include <utility>

#include "state/log.h"

// The families, each in its own file.
std::vector<DataSet> datasetsF001();
std::vector<DataSet> datasetsF100();
std::vector<DataSet> datasetsF200();
std::vector<DataSet> datasetsF300();
std::vector<DataSet> datasetsF400();
std::vector<DataSet> datasetsG();
std::vector<DataSet> datasetsKWP();
std::vector<DataSet> datasetsMisc();

namespace {
struct Registry {
  std::vector<std::vector<DataSet>> families;
  std::vector<const DataSet*> all;
  std::map<std::pair<char, int>, const DataSet*> byKey;

  Registry() {
    families.push_back(datasetsF001());
    families.push_back(datasetsF100());
    families.push_back(datasetsF200());
    families.push_back(datasetsF300());
    families.push_back(datasetsF400());
    families.push_back(datasetsG());
    families.push_back(datasetsKWP());
    families.push_back(datasetsMisc());
    for (const auto& fam : families)
      for (const DataSet& d : fam) {
        all.push_back(&d);
        byKey[{d.letter, d.number}] = &d;
      }
  }
};

const Registry& registry() {
  static const Registry r;
  return r;
}
}  // namespace

const std::vector<const DataSet*>& allDataSets() { return registry().all; }

const DataSet* findDataSet(char letter, int number) {
  const auto& m = registry().byKey;
  auto it = m.find({letter, number});
  if (it != m.end()) return it->second;
  it = m.find({letter, kAnyNumber});
  return it != m.end() ? it->second : nullptr;
}

double valueAsDouble(const Value& v) {
  switch (v.type) {
    case VType::Int: return *static_cast<int*>(v.target);
    case VType::Double: return *static_cast<double*>(v.target);
    case VType::Char: return static_cast<unsigned char>(*static_cast<char*>(v.target));
  }
  return 0.0;
}

static void assign(const Value& v, double d) {
  switch (v.type) {
    case VType::Int: *static_cast<int*>(v.target) = static_cast<int>(d); break;
    case VType::Double: *static_cast<double*>(v.target) = d; break;
    case VType::Char: *static_cast<char*>(v.target) = static_cast<char>(static_cast<int>(d)); break;
  }
}

void applyDataSetDefaults() {
  for (const DataSet* d : allDataSets()) {
    for (const Value& v : d->values) assign(v, v.def);
  }
  for (const DataSet* d : allDataSets())
    if (d->defaults) d->defaults();
}

bool withinBound(const Bound& b, double v) {
  if (b.absolute) v = std::fabs(v);
  if (b.loOpen ? !(v > b.lo) : !(v >= b.lo)) return false;
  if (b.hiOpen ? !(v < b.hi) : !(v <= b.hi)) return false;
  return true;
}

int readValues(Scanner& s, const DataSet& row, DataSetRead& ctx) {
  int count = 0;
  for (const Value& v : row.values) {
    bool ok = false;
    switch (v.type) {
      case VType::Int: ok = s.readInt(*static_cast<int*>(v.target)); break;
      case VType::Double: ok = s.readDouble(*static_cast<double*>(v.target)); break;
      case VType::Char: ok = s.readChar(*static_cast<char*>(v.target)); break;
    }
    if (!ok) break;
    ++count;
  }
  ctx.count = count;
  for (const Bound& b : row.bounds)
    if (!withinBound(b, valueAsDouble(row.values[b.index]))) ctx.refuse();
  if (row.required >= 0 && count != row.required) {
    if (row.countMessage) ctx.refuseWith(row.status, row.countMessage, count);
    ctx.refuse();
  }
  return count;
}

void DataSetRead::refuse() const {
  if (row.message)
    fatal(row.status, "%s", row.message);
  fatal(row.status, "Error for %c %d in control", row.letter, number);
}

void DataSetRead::refuseWith(int status, const char* fmt, ...) const {
  va_list ap;
  va_start(ap, fmt);
  logv(fmt, ap);
  va_end(ap);
  fatal(status, nullptr);
}
