// How request values become what the switch is given, and how the switch's
// values are written back: numbers, modes, flags, addresses and bounded texts.
#pragma once

#include "json.h"
#include "sw_calls.h"

#include <cstddef>
#include <cstdint>

// Truncation toward zero, saturating: negative or NaN gives 0, 2^32 or more
// gives 4294967295.
uint32_t toU32(double value);

// A member of a body object; none when the body is not an object or lacks
// the member. Names compare without regard to case, the first match wins.
cJSON const* bodyMember(cJSON const* body, char const* name);

// A body number as an unsigned 32-bit value; 0 when missing or not a number.
uint32_t bodyU32(cJSON const* body, char const* name);
// The low 16 bits of bodyU32.
uint16_t bodyU16(cJSON const* body, char const* name);
// 1 only for the exact string "enable".
uint32_t bodyMode(cJSON const* body, char const* name);
// 1 only for the exact string "true".
uint32_t bodyFlag(cJSON const* body, char const* name);
// The member's text when it is a JSON string, else none.
char const* bodyText(cJSON const* body, char const* name);

// strtoul in base 10, cut to 32 bits; none or text that is not a number gives 0.
uint32_t queryU32(char const* text);

char const* modeText(uint32_t value); // "enable" for 1, else "disable"
char const* flagText(uint32_t value); // "true" for 1, else "false"

// Copies at most size - 1 characters and always terminates; none copies the
// empty text.
void boundedCopy(char* buffer, size_t size, char const* text);
template <size_t N>
void boundedCopy(char (&buffer)[N], char const* text)
{
    boundedCopy(buffer, N, text);
}

// A descriptor handing a text to the switch: its size is the length plus one.
OpenBuffDesc textDesc(char* text);

// A zero-filled output buffer for one call, with its descriptor of full size.
template <size_t N>
struct OutText {
    char text[N] = {};
    OpenBuffDesc desc() { return OpenBuffDesc { N, text }; }
    // The text the switch wrote, never read past the buffer.
    char const* str()
    {
        text[N - 1] = '\0';
        return text;
    }
};

// None gives the all-zero record; text with ":" is IPv6 (family 2), any other
// text IPv4 (family 1). Text that does not parse keeps the family, address 0.
OpenInetAddr inetAddrFromText(char const* text);
// A query parameter that is absent or empty gives the all-zero record.
OpenInetAddr inetAddrFromQuery(char const* value);

struct InetAddrText {
    char text[46] = {};
};
InetAddrText inetAddrToText(OpenInetAddr const& addr);
