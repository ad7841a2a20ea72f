// The switch's "diag" area.
#include "sim.h"

namespace sim {

// Factory defaults of the "diag" section of the state file.
extern char const kDiagDefaults[] = "{}";

} // namespace sim
