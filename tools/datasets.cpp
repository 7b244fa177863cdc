// Prints every data-set row of the control-file reader, one line per row, as
// tab-separated fields, for scripts/control_doc.py:
//
//   letter  number ("any" for a row that takes every number)  values  bounds
//   required  status  message  count-message  reads-itself
//
// values: per value "<type>=<default>" (int, real, char; a character default
// quoted, or "blank", or "code-N"), separated by blanks; bounds: per bound "<value index, 1-based>:<lo>:<hi>:<flags>"
// (flags: o lower bound open, O upper bound open, a absolute value; "-" none;
// a missing side is "*"); messages with their line ends written as "\n".
#include <cmath>
#include <cstdio>
#include <string>

#include "io/dataset.h"

namespace {

std::string number(double v) {
  if (std::fabs(v) >= kNoLimit) return "*";
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

std::string escaped(const char* text) {
  std::string out;
  if (!text) return out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') out += "\\n";
    else if (*p == '\t') out += "\\t";
    else if (*p == '\\') out += "\\\\";
    else out += *p;
  }
  return out;
}

}  // namespace

int main() {
  for (const DataSet* d : allDataSets()) {
    std::string values, bounds;
    for (const Value& v : d->values) {
      if (!values.empty()) values += ' ';
      switch (v.type) {
        case VType::Int: values += "int=" + number(v.def); break;
        case VType::Double: values += "real=" + number(v.def); break;
        case VType::Char: {
          const int c = static_cast<int>(v.def);
          values += "char=";
          values += (c > 32 && c < 127) ? "'" + std::string(1, static_cast<char>(c)) + "'"
                  : c == 32 ? std::string("blank") : "code-" + std::to_string(c);
          break;
        }
      }
    }
    for (const Bound& b : d->bounds) {
      if (!bounds.empty()) bounds += ' ';
      std::string flags = std::string(b.loOpen ? "o" : "") + (b.hiOpen ? "O" : "") + (b.absolute ? "a" : "");
      bounds += std::to_string(b.index + 1) + ":" + number(b.lo) + ":" + number(b.hi) + ":" + (flags.empty() ? "-" : flags);
    }
    std::printf("%c\t%s\t%s\t%s\t%d\t%d\t%s\t%s\t%d\n", d->letter,
                d->number == kAnyNumber ? "any" : std::to_string(d->number).c_str(), values.c_str(), bounds.c_str(),
                d->required, d->status, escaped(d->message).c_str(), escaped(d->countMessage).c_str(),
                d->reader ? 1 : 0);
  }
  return 0;
}
