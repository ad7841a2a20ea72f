// Calls that keep one number of a section: a value the switch holds within
// its range, read back as it was kept.
#pragma once

#include "sim.h"

namespace sim {

// One setting: a 32-bit value in a section, kept within min..max.
struct Setting {
    char const* section;
    char const* key;
    uint32_t min;
    uint32_t max;
    // What else changes on the switch when the value is set; none for nothing.
    void (*apply)(State& state, cJSON* section, uint32_t value) = nullptr;
};

int getSetting(char const* name, Setting const& setting, uint32_t* value);
// A value outside the range is refused with kBadParam.
int setSetting(char const* name, Setting const& setting, uint32_t value);

} // namespace sim
