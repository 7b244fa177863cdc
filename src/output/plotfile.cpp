#include "output/plotfile.h"

#include "state/log.h"
#include "state/options.h"

std::string plotTitle(bool forQuotes) {
  std::string t;
  for (std::size_t i = 1; i < sizeof Title && Title[i]; ++i) t += (forQuotes && Title[i] == '"') ? '\'' : Title[i];
  return t;
}

void FiniteValues::report(const std::string& file) const {
  if (replaced_ > 0) logf("Warning: %d values that are not finite numbers were written as 0 in '%s'\n", replaced_, file.c_str());
}

std::string VtkNameSet::unique(const std::string& name) {
  std::string base = name;
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (used_.insert(base).second) return name;
  for (int n = 2;; ++n) {
    std::string candidate = base + "_" + std::to_string(n);
    if (used_.insert(candidate).second) return candidate;
  }
}
