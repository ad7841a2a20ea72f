// The NTP authentication key table, walked in ascending key number order
// whatever the order the keys were added in.
#include "ntp_state.h"

#include "../tools/sw_calls_ntp.h"

#include <cctype>
#include <string>

using namespace sim::ntp;

namespace {

constexpr Range kKeyNumber { 1, 65535 };
constexpr Range kMsgAuthAlg { 1, 3 }; // md5, sha1, sha256
constexpr Range kFlag { 0, 1 };
constexpr size_t kPlainValueMax = 64;
constexpr size_t kEncryptedValueMax = 128;

uint32_t keyNumberOf(cJSON const* entry) { return sim::u32(entry, "keyNumber"); }

cJSON* keys(sim::State& state) { return sim::array(section(state), "authKeys"); }

cJSON* key(sim::State& state, uint32_t number)
{
    cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, keys(state))
    {
        if (keyNumberOf(entry) == number)
            return entry;
    }
    return nullptr;
}

auto keyNumbered(uint32_t number)
{
    return [number](sim::State& state) { return key(state, number); };
}

bool inRange(uint32_t value, Range const& range) { return value >= range.min && value <= range.max; }

// A plain value is 1 to 64 printable characters without spaces; an
// encrypted one is the switch's own form of it: an even count of hex digits.
bool validValue(std::string const& value, uint32_t encrypted)
{
    if (!inRange(encrypted, kFlag) || value.empty())
        return false;
    for (char const c : value) {
        bool const fits = encrypted != 0 ? isxdigit(static_cast<unsigned char>(c)) != 0 : (c > ' ' && c <= '~');
        if (!fits)
            return false;
    }
    return encrypted != 0 ? value.size() % 2 == 0 && value.size() <= kEncryptedValueMax
                          : value.size() <= kPlainValueMax;
}

int storeValue(sim::State& state, cJSON* entry, std::string const& value, uint32_t encrypted)
{
    if (entry == nullptr)
        return sim::kNotFound;
    if (!validValue(value, encrypted))
        return sim::kBadParam;
    sim::setText(state, entry, "keyValue", value.c_str());
    sim::setNumber(state, entry, "encrypted", encrypted);
    return sim::kOk;
}

int addKey(sim::State& state, uint32_t number, std::string const& value, uint32_t encrypted, uint32_t msgAuthAlg)
{
    cJSON* const table = keys(state);
    if (!inRange(number, kKeyNumber) || !inRange(msgAuthAlg, kMsgAuthAlg) || !validValue(value, encrypted))
        return sim::kBadParam;
    if (key(state, number) != nullptr)
        return sim::kExists;
    if (static_cast<uint32_t>(cJSON_GetArraySize(table)) >= sim::u32(section(state), "authKeysMax"))
        return sim::kFull;
    cJSON* entry = cJSON_CreateObject();
    cJSON_AddNumberToObject(entry, "keyNumber", number);
    cJSON_AddStringToObject(entry, "keyValue", value.c_str());
    cJSON_AddNumberToObject(entry, "encrypted", encrypted);
    cJSON_AddNumberToObject(entry, "msgAuthAlg", msgAuthAlg);
    cJSON_AddNumberToObject(entry, "trusted", 0);
    cJSON_AddItemToArray(table, entry);
    state.changed = true;
    return sim::kOk;
}

// A key number read through a pointer, for the walk.
int nextKey(sim::State& state, uint32_t const* after, uint32_t* next)
{
    if (after == nullptr || next == nullptr)
        return sim::kBadParam;
    cJSON const* const entry = nextAbove(keys(state), keyNumberOf, *after);
    if (entry == nullptr)
        return sim::kNotFound;
    *next = keyNumberOf(entry);
    return sim::kOk;
}

} // namespace

extern "C" {

int rpcclt_openapiNtpAuthTableKeyAdd(
    OpenClientHandle*, uint32_t keyNumber, OpenBuffDesc* keyValue, uint32_t encrypted, uint32_t msgAuthAlg)
{
    return sim::call(__func__,
        { sim::value(keyNumber), sim::textIn(keyValue), sim::value(encrypted), sim::value(msgAuthAlg) },
        [&](sim::State& state) { return addKey(state, keyNumber, sim::readText(keyValue), encrypted, msgAuthAlg); });
}

int rpcclt_openapiNtpAuthTableKeyDelete(OpenClientHandle*, uint32_t keyNumber)
{
    return sim::call(__func__, { sim::value(keyNumber) }, [&](sim::State& state) {
        cJSON* const entry = key(state, keyNumber);
        if (entry == nullptr)
            return sim::kNotFound;
        cJSON_Delete(cJSON_DetachItemViaPointer(keys(state), entry));
        state.changed = true;
        return sim::kOk;
    });
}

int rpcclt_openapiNtpAuthTableKeyValueSet(
    OpenClientHandle*, uint32_t keyNumber, OpenBuffDesc* keyValue, uint32_t encrypted)
{
    return sim::call(
        __func__, { sim::value(keyNumber), sim::textIn(keyValue), sim::value(encrypted) }, [&](sim::State& state) {
            return storeValue(state, key(state, keyNumber), sim::readText(keyValue), encrypted);
        });
}

int rpcclt_openapiNtpAuthTableKeyValueGet(OpenClientHandle*, uint32_t keyNumber, OpenBuffDesc* keyValue)
{
    return sim::call(__func__, { sim::value(keyNumber), sim::textOut(keyValue) },
        textOf(memberOf(keyNumbered(keyNumber), "keyValue"), keyValue));
}

int rpcclt_openapiNtpAuthTableKeyMsgAuthAlgSet(OpenClientHandle*, uint32_t keyNumber, uint32_t msgAuthAlg)
{
    return sim::call(__func__, { sim::value(keyNumber), sim::value(msgAuthAlg) },
        numberTo(keyNumbered(keyNumber), "msgAuthAlg", msgAuthAlg, kMsgAuthAlg));
}

int rpcclt_openapiNtpAuthTableKeyMsgAuthAlgGet(OpenClientHandle*, uint32_t keyNumber, uint32_t* msgAuthAlg)
{
    return sim::call(__func__, { sim::value(keyNumber), sim::out(msgAuthAlg) },
        numberOf(memberOf(keyNumbered(keyNumber), "msgAuthAlg"), msgAuthAlg));
}

int rpcclt_openapiNtpAuthTableKeyTrustedSet(OpenClientHandle*, uint32_t keyNumber, uint32_t flag)
{
    return sim::call(__func__, { sim::value(keyNumber), sim::value(flag) },
        numberTo(keyNumbered(keyNumber), "trusted", flag, kFlag));
}

int rpcclt_openapiNtpAuthTableKeyTrustedGet(OpenClientHandle*, uint32_t keyNumber, uint32_t* flag)
{
    return sim::call(
        __func__, { sim::value(keyNumber), sim::out(flag) }, numberOf(memberOf(keyNumbered(keyNumber), "trusted"), flag));
}

int rpcclt_openapiNtpAuthTableEntryFirstGet(OpenClientHandle*, uint32_t* keyNumber)
{
    return sim::call(__func__, { sim::out(keyNumber) }, [&](sim::State& state) {
        uint32_t const before = 0;
        return nextKey(state, &before, keyNumber);
    });
}

int rpcclt_openapiNtpAuthTableEntryGetNext(OpenClientHandle*, uint32_t* keyNumber, uint32_t* nextKeyNumber)
{
    return sim::call(__func__, { sim::in(keyNumber), sim::out(nextKeyNumber) },
        [&](sim::State& state) { return nextKey(state, keyNumber, nextKeyNumber); });
}

} // extern "C"
