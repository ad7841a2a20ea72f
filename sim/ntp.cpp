// The switch's "ntp" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "ntp" section of the state file.
extern char const kNtpDefaults[] = "{}";

} // namespace sim
