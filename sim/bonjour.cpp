// The switch's "bonjour" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "bonjour" section of the state file.
extern char const kBonjourDefaults[] = "{}";

} // namespace sim
