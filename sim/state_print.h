// The state's formatted print, byte for byte cJSON_Print's, without cJSON's
// way with numbers where it need not: cJSON prints every number through
// sprintf("%1.15g") and reads it back through sscanf to see whether the
// double survived (some 3,000 instructions a number, and the deepest stack
// of a request). A whole number of at most 15 digits comes out of that as
// its plain decimal digits, so such a number is handed to cJSON as raw text
// of those digits, which it prints as it stands. The tree is as it was when
// the print returns.
#pragma once

#include "../tools/json.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace sim {

inline JsonText printState(cJSON* tree)
{
#ifdef MGMT_SIM_HAND_NUMBERS_OFF
    // cJSON's own print, numbers and all: the build that measures what the
    // digits above save (MGMT_SIM_HAND_NUMBERS=OFF).
    return JsonText(cJSON_Print(tree));
#else
    struct Swapped {
        cJSON* item;
        std::array<char, 24> digits;
    };
    std::vector<Swapped> swapped;
    std::vector<cJSON*> pending { tree };
    while (!pending.empty()) {
        cJSON* item = pending.back();
        pending.pop_back();
        for (cJSON* child = item->child; child != nullptr; child = child->next)
            pending.push_back(child);
        double const d = item->valuedouble;
        if ((item->type & 0xFF) != cJSON_Number || std::trunc(d) != d || std::fabs(d) >= 1e15
            || (d == 0 && std::signbit(d)))
            continue;
        Swapped& entry = swapped.emplace_back();
        entry.item = item;
        *std::to_chars(entry.digits.data(), entry.digits.data() + entry.digits.size() - 1,
                       static_cast<long long>(d))
             .ptr
            = '\0';
    }
    // The texts are all in place before any item points at one.
    for (Swapped& entry : swapped) {
        entry.item->type = (entry.item->type & ~0xFF) | cJSON_Raw;
        entry.item->valuestring = entry.digits.data();
    }
    JsonText printed(cJSON_Print(tree));
    for (Swapped& entry : swapped) {
        entry.item->type = (entry.item->type & ~0xFF) | cJSON_Number;
        entry.item->valuestring = nullptr;
    }
    return printed;
#endif
}

} // namespace sim
