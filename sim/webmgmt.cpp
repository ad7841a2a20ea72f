// The switch's "webMgmt" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "webMgmt" section of the state file.
extern char const kWebMgmtDefaults[] = "{}";

} // namespace sim
