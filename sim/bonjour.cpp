// The switch's "bonjour" area: the publishing switches and the table of
// services the switch offers for publishing.
#include "../tools/sw_calls_bonjour.h"
#include "settings.h"

#include <cstring>
#include <string>
#include <tuple>

namespace sim {

// Factory defaults of the "bonjour" section of the state file: Bonjour on,
// debugging off, the switch's own management services (telnet unpublished,
// as telnet is off out of the box).
extern char const kBonjourDefaults[] = R"({
    "adminMode": 1,
    "debugLevel1": 0,
    "debugLevel2": 0,
    "services": [
        { "index": 1, "service": 1, "published": 1, "serviceName": "switch-http", "serviceType": "_http._tcp",
          "serviceDomain": "local", "servicePort": 80, "serviceText": "path=/" },
        { "index": 2, "service": 2, "published": 1, "serviceName": "switch-https", "serviceType": "_https._tcp",
          "serviceDomain": "local", "servicePort": 443, "serviceText": "path=/" },
        { "index": 3, "service": 4, "published": 1, "serviceName": "switch-ssh", "serviceType": "_ssh._tcp",
          "serviceDomain": "local", "servicePort": 22, "serviceText": "" },
        { "index": 4, "service": 3, "published": 0, "serviceName": "switch-telnet", "serviceType": "_telnet._tcp",
          "serviceDomain": "local", "servicePort": 23, "serviceText": "" }
    ]
})";

} // namespace sim

namespace {

constexpr char kSection[] = "bonjour";
// Switches: 0 off, 1 on.
constexpr sim::Setting kAdminMode { kSection, "adminMode", 0, 1 };
constexpr sim::Setting kDebugLevel1 { kSection, "debugLevel1", 0, 1 };
constexpr sim::Setting kDebugLevel2 { kSection, "debugLevel2", 0, 1 };

template <size_t N>
std::string fieldText(char const (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

// A text given in fields, cut to fit the field with its terminator; the rest
// of the field is zero.
template <size_t N>
void setField(char (&field)[N], cJSON const* fields, char const* key)
{
    cJSON const* item = cJSON_GetObjectItemCaseSensitive(fields, key);
    if (!cJSON_IsString(item))
        return;
    memset(field, 0, N);
    memcpy(field, item->valuestring, strnlen(item->valuestring, N - 1));
}

void setField(uint32_t& field, cJSON const* fields, char const* key)
{
    if (cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(fields, key)))
        field = sim::u32(fields, key);
}

Json entryToJson(void const* record)
{
    auto const& entry = *static_cast<BonjourServiceEntry const*>(record);
    Json object(cJSON_CreateObject());
    cJSON* const o = object.get();
    cJSON_AddNumberToObject(o, "service", entry.service);
    cJSON_AddNumberToObject(o, "published", entry.published);
    cJSON_AddStringToObject(o, "serviceName", fieldText(entry.serviceName).c_str());
    cJSON_AddStringToObject(o, "serviceType", fieldText(entry.serviceType).c_str());
    cJSON_AddStringToObject(o, "serviceDomain", fieldText(entry.serviceDomain).c_str());
    cJSON_AddNumberToObject(o, "servicePort", entry.servicePort);
    cJSON_AddStringToObject(o, "serviceText", fieldText(entry.serviceText).c_str());
    return object;
}

void entryFromJson(void* record, cJSON const* fields)
{
    auto& entry = *static_cast<BonjourServiceEntry*>(record);
    setField(entry.service, fields, "service");
    setField(entry.published, fields, "published");
    setField(entry.serviceName, fields, "serviceName");
    setField(entry.serviceType, fields, "serviceType");
    setField(entry.serviceDomain, fields, "serviceDomain");
    setField(entry.servicePort, fields, "servicePort");
    setField(entry.serviceText, fields, "serviceText");
}

constexpr sim::RecordCodec kEntryCodec { entryToJson, entryFromJson };

// A service of the table as the record gives it.
BonjourServiceEntry entryOf(cJSON const* service)
{
    BonjourServiceEntry entry {};
    entryFromJson(&entry, service);
    return entry;
}

// The walk runs in the order of name, then type, then domain, byte by byte.
using WalkKey = std::tuple<std::string, std::string, std::string>;
WalkKey walkKey(BonjourServiceEntry const& entry)
{
    return { fieldText(entry.serviceName), fieldText(entry.serviceType), fieldText(entry.serviceDomain) };
}

cJSON* services(sim::State& state)
{
    return cJSON_GetObjectItemCaseSensitive(state.section(kSection), "services");
}

// The service that better prefers to the best one so far, over the whole
// table; none when no service qualifies.
template <typename Better>
cJSON const* bestService(sim::State& state, Better&& better)
{
    cJSON const* best = nullptr;
    cJSON const* service = nullptr;
    cJSON_ArrayForEach(service, services(state))
        if (better(service, best))
            best = service;
    return best;
}

// Fills the entry from the service, or says that there is none.
int answer(BonjourServiceEntry* entry, cJSON const* service)
{
    if (service == nullptr)
        return sim::kNotFound;
    *entry = entryOf(service);
    return sim::kOk;
}

} // namespace

extern "C" {

int rpcclt_openapiBonjourAdminModeSet(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kAdminMode, mode);
}

int rpcclt_openapiBonjourAdminModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kAdminMode, mode);
}

int rpcclt_openapiBonjourDebugLevel1Set(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kDebugLevel1, mode);
}

int rpcclt_openapiBonjourDebugLevel1Get(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kDebugLevel1, mode);
}

int rpcclt_openapiBonjourDebugLevel2Set(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kDebugLevel2, mode);
}

int rpcclt_openapiBonjourDebugLevel2Get(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kDebugLevel2, mode);
}

// The service whose key follows the entry's, whether or not the entry names
// a service of the table; the all-zero entry gives the first.
int rpcclt_openapiBonjourPublishedServiceGetNext(OpenClientHandle*, BonjourServiceEntry* entry)
{
    return sim::call("rpcclt_openapiBonjourPublishedServiceGetNext", { sim::recordOut(entry, kEntryCodec) },
                     [&](sim::State& state) {
                         if (entry == nullptr)
                             return sim::kBadParam;
                         WalkKey const cursor = walkKey(*entry);
                         return answer(entry, bestService(state, [&](cJSON const* service, cJSON const* best) {
                                           WalkKey const key = walkKey(entryOf(service));
                                           return key > cursor && (best == nullptr || key < walkKey(entryOf(best)));
                                       }));
                     });
}

int rpcclt_openapiBonjourPublishedServiceGet(OpenClientHandle*, BonjourServiceEntry* entry)
{
    return sim::call("rpcclt_openapiBonjourPublishedServiceGet", { sim::recordOut(entry, kEntryCodec) },
                     [&](sim::State& state) {
                         if (entry == nullptr)
                             return sim::kBadParam;
                         return answer(entry, bestService(state, [&](cJSON const* service, cJSON const* best) {
                                           BonjourServiceEntry const candidate = entryOf(service);
                                           return best == nullptr && candidate.service == entry->service
                                               && fieldText(candidate.serviceName) == fieldText(entry->serviceName);
                                       }));
                     });
}

// Indexes are the table's own numbers, walked upwards; index 0 comes before
// every service.
int rpcclt_openapiBonjourServiceIndexGetNext(OpenClientHandle*, uint32_t index, uint32_t* nextIndex)
{
    return sim::call("rpcclt_openapiBonjourServiceIndexGetNext", { sim::value(index), sim::out(nextIndex) },
                     [&](sim::State& state) {
                         if (nextIndex == nullptr)
                             return sim::kBadParam;
                         cJSON const* next = bestService(state, [&](cJSON const* service, cJSON const* best) {
                             uint32_t const candidate = sim::u32(service, "index");
                             return candidate > index && (best == nullptr || candidate < sim::u32(best, "index"));
                         });
                         if (next == nullptr)
                             return sim::kNotFound;
                         *nextIndex = sim::u32(next, "index");
                         return sim::kOk;
                     });
}

int rpcclt_openapiBonjourServiceGetByIndex(OpenClientHandle*, uint32_t index, BonjourServiceEntry* entry)
{
    return sim::call("rpcclt_openapiBonjourServiceGetByIndex", { sim::value(index), sim::recordOut(entry, kEntryCodec) },
                     [&](sim::State& state) {
                         if (entry == nullptr)
                             return sim::kBadParam;
                         return answer(entry, bestService(state, [&](cJSON const* service, cJSON const* best) {
                                           return best == nullptr && index != 0 && sim::u32(service, "index") == index;
                                       }));
                     });
}

} // extern "C"
