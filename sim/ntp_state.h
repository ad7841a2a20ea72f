// The "ntp" section of the switch's state and the pieces its calls share:
// finding servers, associations and keys, and reading or storing a number or
// text of the entry a call names.
#pragma once

#include "sim.h"

#include <optional>
#include <string>

namespace sim::ntp {

// Address types of servers and associations.
inline constexpr uint32_t kAddressUnknown = 0;
inline constexpr uint32_t kAddressIpv4 = 1;
inline constexpr uint32_t kAddressIpv6 = 2;
inline constexpr uint32_t kAddressDns = 3;

cJSON* section(State& state);
// The configured server with this address (letter case ignored), or none.
cJSON* server(State& state, std::string const& address);
// The member key of a configured server, for reading only: the server with
// this address (letter case ignored), or with after the one configured after
// it (none past the last); with no address, the first server. Nothing when
// there is no such server, a null item when it has no such member. While
// the section is not parsed, only that member is.
std::optional<cJSON const*> serverMember(State& state, std::string const* address, bool after, char const* key);
// The association of the server that has this identifier, or none.
cJSON* association(State& state, uint32_t id);
// The association of the active server; none while the client is disabled
// or when the active server is not (or no longer) configured.
cJSON* activeAssociation(State& state);
// The entry of list with the smallest identifier above after, or none.
cJSON* nextAbove(cJSON* list, uint32_t (*idOf)(cJSON const*), uint32_t after);

// The type of an address text; kAddressUnknown for one the switch refuses.
uint32_t addressType(std::string const& address);

// The values a setting takes; atMost and atLeast name a member of the same
// entry that the value may not pass.
struct Range {
    uint32_t min;
    uint32_t max;
    char const* atMost = nullptr;
    char const* atLeast = nullptr;
};

// Stores the value under key in the entry: kNotFound without an entry,
// kBadParam outside the range.
int store(State& state, cJSON* entry, char const* key, uint32_t value, Range const& range);

// Finders: the entry a call names, from the state.
inline auto settings()
{
    return [](State& state) -> cJSON* { return section(state); };
}
inline auto serverNamed(OpenBuffDesc const* desc)
{
    return [desc](State& state) { return server(state, readText(desc)); };
}
inline auto associationWith(uint32_t id)
{
    return [id](State& state) { return association(state, id); };
}
inline auto active()
{
    return [](State& state) { return activeAssociation(state); };
}

// Readers: a member of an entry a call names, or, for a setting, of the
// section, read alone while the section is not parsed. Nothing when there
// is no such entry; a null item when the entry has no such member.
template <typename Find>
auto memberOf(Find find, char const* key)
{
    return [=](State& state) -> std::optional<cJSON const*> {
        cJSON const* const entry = find(state);
        if (entry == nullptr)
            return std::nullopt;
        return cJSON_GetObjectItemCaseSensitive(entry, key);
    };
}
inline auto setting(char const* key)
{
    return [=](State& state) -> std::optional<cJSON const*> { return state.member("ntp", key); };
}
// With after, of the server configured after the one desc names.
inline auto serverSetting(OpenBuffDesc const* desc, char const* key, bool after = false)
{
    return [=](State& state) {
        std::string const address = readText(desc);
        return serverMember(state, &address, after, key);
    };
}

// Call bodies over the member that read finds (no entry: kNotFound).

// Reads the number into *out.
template <typename T, typename Read>
auto numberOf(Read read, T* out)
{
    return [=](State& state) {
        std::optional<cJSON const*> const item = read(state);
        if (!item)
            return kNotFound;
        if (out == nullptr)
            return kBadParam;
        *out = static_cast<T>(u32(*item));
        return kOk;
    };
}

// Writes the text into the caller's buffer, cut to its size.
template <typename Read>
auto textOf(Read read, OpenBuffDesc* desc)
{
    return [=](State& state) {
        std::optional<cJSON const*> const item = read(state);
        if (!item)
            return kNotFound;
        if (desc == nullptr || desc->pstart == nullptr || desc->size == 0)
            return kBadParam;
        writeText(desc, text(*item));
        return kOk;
    };
}

// Stores value under key, within range.
template <typename Find>
auto numberTo(Find find, char const* key, uint32_t value, Range range)
{
    return [=](State& state) { return store(state, find(state), key, value, range); };
}

} // namespace sim::ntp
