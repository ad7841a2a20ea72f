// The switch's "dns" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "dns" section of the state file.
extern char const kDnsDefaults[] = "{}";

} // namespace sim
