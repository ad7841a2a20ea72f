// The switch's "cloudManaged" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "cloudManaged" section of the state file.
extern char const kCloudManagedDefaults[] = "{}";

} // namespace sim
