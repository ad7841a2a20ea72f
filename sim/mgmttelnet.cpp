// The switch's "mgmtTelnet" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "mgmtTelnet" section of the state file.
extern char const kMgmtTelnetDefaults[] = "{}";

} // namespace sim
