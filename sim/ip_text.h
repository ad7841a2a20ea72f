// An address as text, as inet_ntop writes it. An IPv4 address is written
// here: the four bytes in order, each in decimal, joined by dots. The C
// library's inet_ntop formats them through sprintf, whose frame is the
// deepest of a diagnostics request.
#pragma once

#include <arpa/inet.h>

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

// bytes: the address in network order, 16 bytes for IPv6, 4 for IPv4.
// A build without the IPv4 text above (MGMT_SIM_HAND_ADDRESS=OFF, to
// measure what it saves) has inet_ntop write both.
inline std::string addressText(bool inet6, unsigned char const* bytes)
{
#ifndef MGMT_SIM_HAND_ADDRESS_OFF
    if (!inet6)
        return ipv4Text(bytes);
#endif
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(inet6 ? AF_INET6 : AF_INET, bytes, text, sizeof text);
    return text;
}

} // namespace sim
