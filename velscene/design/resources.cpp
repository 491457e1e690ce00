// The package's own resource table, used when no resource module for the
// user's language is installed beside it.
#include <iterator>

#include "velscene/design/package.h"
#include "velscene/design/resource_data.h"

extern "C" const vel::TResourceEntry* VelResources(size_t* count) {
  static const vel::TResourceEntry kTable[] = {VELPACK1_COMMON_RESOURCES};
  if (count != nullptr) *count = std::size(kTable);
  return kTable;
}
