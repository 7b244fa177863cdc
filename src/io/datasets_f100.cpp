// F data sets 100 to 199.
#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

std::vector<DataSet> datasetsF100() {
  return {};
}
