// An IPv4 address as text, as inet_ntop writes it: the four bytes in order,
// each in decimal, joined by dots. The C library's inet_ntop formats them
// through sprintf, whose frame is the deepest of a diagnostics request.
#pragma once

#include <charconv>
#include <string>

namespace sim {

// bytes: the address in network order.
inline std::string ipv4Text(unsigned char const bytes[4])
{
    char text[16];
    char* end = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            *end++ = '.';
        end = std::to_chars(end, text + sizeof text, static_cast<unsigned>(bytes[i])).ptr;
    }
    return std::string(text, end);
}

} // namespace sim
