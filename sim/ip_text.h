// An address as text, as inet_ntop writes it.
#pragma once

#include <arpa/inet.h>

#include <string>

namespace sim {

// bytes: the address in network order, 16 bytes for IPv6, 4 for IPv4.
inline std::string addressText(bool inet6, unsigned char const* bytes)
{
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(inet6 ? AF_INET6 : AF_INET, bytes, text, sizeof text);
    return text;
}

} // namespace sim
