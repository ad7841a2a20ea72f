// Codes the switch keeps as numbers and clients see as keywords: one table
// per kind gives each code its reply text and the request text selecting it.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

struct Keyword {
    uint32_t code;
    char const* reply;
    char const* request; // none: no request text selects this code
};

// The reply text of a code; a code the table lacks reads as the first row's.
inline char const* keywordReply(std::span<Keyword const> table, uint32_t code)
{
    for (Keyword const& row : table)
        if (row.code == code)
            return row.reply;
    return table.front().reply;
}

// The code a request text selects, compared exactly; any other text, or none,
// selects the first row's code.
inline uint32_t keywordCode(std::span<Keyword const> table, char const* text)
{
    if (text != nullptr)
        for (Keyword const& row : table)
            if (row.request != nullptr && strcmp(row.request, text) == 0)
                return row.code;
    return table.front().code;
}
