#include "values.h"

#include <arpa/inet.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

uint32_t toU32(double value)
{
    if (std::isnan(value) || value <= 0)
        return 0;
    if (value >= 4294967296.0)
        return 4294967295u;
    return static_cast<uint32_t>(value);
}

cJSON const* bodyMember(cJSON const* body, char const* name)
{
    if (!cJSON_IsObject(body))
        return nullptr;
    return cJSON_GetObjectItem(body, name);
}

uint32_t bodyU32(cJSON const* body, char const* name)
{
    cJSON const* item = bodyMember(body, name);
    return cJSON_IsNumber(item) ? toU32(item->valuedouble) : 0;
}

uint16_t bodyU16(cJSON const* body, char const* name)
{
    return static_cast<uint16_t>(bodyU32(body, name) & 0xffffu);
}

namespace {

bool memberIs(cJSON const* body, char const* name, char const* word)
{
    char const* text = bodyText(body, name);
    return text != nullptr && strcmp(text, word) == 0;
}

} // namespace

uint32_t bodyMode(cJSON const* body, char const* name)
{
    return memberIs(body, name, "enable") ? 1 : 0;
}

uint32_t bodyFlag(cJSON const* body, char const* name)
{
    return memberIs(body, name, "true") ? 1 : 0;
}

char const* bodyText(cJSON const* body, char const* name)
{
    cJSON const* item = bodyMember(body, name);
    return cJSON_IsString(item) ? item->valuestring : nullptr;
}

uint32_t queryU32(char const* text)
{
    if (text == nullptr)
        return 0;
    // Converted 64 bits wide on every target and then cut to the low 32 bits:
    // a 32-bit unsigned long would saturate instead.
    return static_cast<uint32_t>(strtoull(text, nullptr, 10));
}

char const* modeText(uint32_t value)
{
    return value == 1 ? "enable" : "disable";
}

char const* flagText(uint32_t value)
{
    return value == 1 ? "true" : "false";
}

void boundedCopy(char* buffer, size_t size, char const* text)
{
    if (size == 0)
        return;
    snprintf(buffer, size, "%s", text != nullptr ? text : "");
}

OpenBuffDesc textDesc(char* text)
{
    return OpenBuffDesc { static_cast<uint32_t>(strlen(text) + 1), text };
}

OpenInetAddr inetAddrFromText(char const* text)
{
    OpenInetAddr addr {};
    if (text == nullptr)
        return addr;
    if (strchr(text, ':') != nullptr) {
        addr.family = kAfInet6;
        if (inet_pton(AF_INET6, text, addr.addr.ipv6) != 1)
            memset(addr.addr.ipv6, 0, sizeof addr.addr.ipv6);
        return addr;
    }
    addr.family = kAfInet;
    struct in_addr v4 {};
    if (inet_pton(AF_INET, text, &v4) == 1)
        addr.addr.ipv4 = ntohl(v4.s_addr);
    return addr;
}

OpenInetAddr inetAddrFromQuery(char const* value)
{
    return inetAddrFromText(value != nullptr && value[0] != '\0' ? value : nullptr);
}

InetAddrText inetAddrToText(OpenInetAddr const& addr)
{
    InetAddrText out;
    if (addr.family == kAfInet6) {
        inet_ntop(AF_INET6, addr.addr.ipv6, out.text, sizeof out.text);
    } else {
        struct in_addr v4 {};
        v4.s_addr = htonl(addr.addr.ipv4);
        inet_ntop(AF_INET, &v4, out.text, sizeof out.text);
    }
    return out;
}
