// The switch's "eventNotify" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "eventNotify" section of the state file.
extern char const kEventNotifyDefaults[] = "{}";

} // namespace sim
