// Handlers under "/api/v2/mgmt/bonjour": the publishing switches and the walks
// over the services the switch publishes.
#include "routes.h"

#include "../../tools/families.h"
#include "../../tools/keyword_table.h"
#include "../../tools/sw_calls_bonjour.h"

#include <cstring>

namespace {

constexpr Keyword kServiceTypes[] = {
    { kBonjourServiceGeneric, "bonjour_service_generic", nullptr },
    { kBonjourServiceHttp, "bonjour_service_http", "http" },
    { kBonjourServiceHttps, "bonjour_service_https", "https" },
    { kBonjourServiceTelnet, "bonjour_service_telnet", "telnet" },
    { kBonjourServiceSsh, "bonjour_service_ssh", "ssh" },
    { kBonjourServiceLast, "bonjour_service_last", nullptr },
};

// A text field of the record as a JSON string, never read past the field.
template <size_t N>
Json fieldString(char const (&field)[N])
{
    char text[N + 1] = {};
    memcpy(text, field, N);
    return Json(cJSON_CreateString(text));
}

Json bonjourServiceEntryToJson(BonjourServiceEntry const& entry)
{
    Json object(cJSON_CreateObject());
    cJSON* const o = object.get();
    jsonAdd(o, "service", Json(cJSON_CreateString(keywordReply(kServiceTypes, entry.service))));
    jsonAdd(o, "published", Json(flagValue(entry.published)));
    jsonAdd(o, "serviceName", fieldString(entry.serviceName));
    jsonAdd(o, "serviceType", fieldString(entry.serviceType));
    jsonAdd(o, "serviceDomain", fieldString(entry.serviceDomain));
    jsonAdd(o, "servicePort", Json(numberValue(entry.servicePort)));
    jsonAdd(o, "serviceText", fieldString(entry.serviceText));
    return object;
}

void replyServiceEntry(int result, BonjourServiceEntry const& entry)
{
    replyObject("bonjour", result,
                [&](cJSON* data) { jsonAdd(data, "pServiceEntry", bonjourServiceEntryToJson(entry)); });
}

// The index of the walk by index comes from the query string, whatever the method.
uint32_t queryIndex()
{
    ParamList params = queryStringParams();
    return queryU32(cgiParamValueGet("index", params.get()));
}

// The cursor is the previous reply's entry; without one the walk starts at
// the all-zero entry. The service code and published flag are never taken.
int publishedServiceGetNext()
{
    BonjourServiceEntry entry {};
    Json body = readJsonBody();
    cJSON const* cursor = bodyMember(body.get(), "pServiceEntry");
    if (cJSON_IsObject(cursor)) {
        entry.servicePort = bodyU32(cursor, "servicePort");
        boundedCopy(entry.serviceName, bodyText(cursor, "serviceName"));
        boundedCopy(entry.serviceType, bodyText(cursor, "serviceType"));
        boundedCopy(entry.serviceDomain, bodyText(cursor, "serviceDomain"));
        boundedCopy(entry.serviceText, bodyText(cursor, "serviceText"));
    }
    body.reset();
    int const result = rpcclt_openapiBonjourPublishedServiceGetNext(&clientHandle, &entry);
    replyServiceEntry(result, entry);
    return 0;
}

// The key is the service code and name from the query parameters.
int publishedServiceGet()
{
    BonjourServiceEntry entry {};
    {
        CText data = cgiRequestRead();
        ParamList params(cgiParamListSplit(data.get()));
        entry.service = keywordCode(kServiceTypes, cgiParamValueGet("service", params.get()));
        boundedCopy(entry.serviceName, cgiParamValueGet("serviceName", params.get()));
    }
    int const result = rpcclt_openapiBonjourPublishedServiceGet(&clientHandle, &entry);
    replyServiceEntry(result, entry);
    return 0;
}

int serviceIndexGetNext()
{
    uint32_t const index = queryIndex();
    uint32_t nextIndex = 0;
    int const result = rpcclt_openapiBonjourServiceIndexGetNext(&clientHandle, index, &nextIndex);
    replyObject("bonjour", result, [&](cJSON* data) { jsonAdd(data, "pNextIndex", Json(numberValue(nextIndex))); });
    return 0;
}

int serviceGetByIndex()
{
    uint32_t const index = queryIndex();
    BonjourServiceEntry entry {};
    int const result = rpcclt_openapiBonjourServiceGetByIndex(&clientHandle, index, &entry);
    replyServiceEntry(result, entry);
    return 0;
}

template <auto Set>
constexpr auto setMode = setValue<"mode", bodyMode, Set>;
template <auto Get>
constexpr auto getMode = getValue<"bonjour", "pMode", modeValue, Get>;

constexpr RouteRow kRows[] = {
    { "admin-mode", kMethodPut, setMode<rpcclt_openapiBonjourAdminModeSet> },
    { "admin-mode", kMethodGet, getMode<rpcclt_openapiBonjourAdminModeGet> },
    { "debug-level1", kMethodPut, setMode<rpcclt_openapiBonjourDebugLevel1Set> },
    { "debug-level1", kMethodGet, getMode<rpcclt_openapiBonjourDebugLevel1Get> },
    { "debug-level2", kMethodPut, setMode<rpcclt_openapiBonjourDebugLevel2Set> },
    { "debug-level2", kMethodGet, getMode<rpcclt_openapiBonjourDebugLevel2Get> },
    { "published-service-get-next", kMethodPost, publishedServiceGetNext },
    { "published-service", kMethodGet, publishedServiceGet },
    { "service-index-get-next", kMethodPost, serviceIndexGetNext },
    { "service-get-by-index", kMethodPost, serviceGetByIndex },
};

} // namespace

constinit std::span<RouteRow const> const bonjourRoutes = kRows;
constinit HttpdCContent* const bonjourEntries = LinkedRows<kRows>::first();
