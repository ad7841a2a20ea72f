// Handlers under "/api/v2/mgmt/event-notify": a client registers itself with
// the switch's event notification, subscribes to events, and undoes both.
// Every reply is status only.
#include "routes.h"

#include "../../tools/families.h"
#include "../../tools/sw_calls_event_notify.h"

#include <cstdlib>
#include <memory>

namespace {

// Every call is about the switch's client 0.
constexpr uint32_t kClient = 0;

constexpr size_t kDescriptionSize = 256;

// The descriptor's size is 32 bits: a block of more entries than this could
// not be described, so such a count is refused before anything is allocated.
constexpr uint32_t kMaxEvents = UINT32_MAX / sizeof(EventNotifyCfgEntry);
static_assert(uint64_t { kMaxEvents } * sizeof(EventNotifyCfgEntry) <= UINT32_MAX);
static_assert(uint64_t { kMaxEvents + 1 } * sizeof(EventNotifyCfgEntry) > UINT32_MAX);

int clientRegister()
{
    return replyToBody([](cJSON const* body) {
        char description[kDescriptionSize] = {};
        boundedCopy(description, bodyText(body, "clientDescription"));
        OpenBuffDesc desc = textDesc(description);
        return openResultToRespCode(rpcclt_openapiEventNotifyClientRegister(&clientHandle, kClient, &desc));
    });
}

// The subscriptions: N entries from the array in order, missing ones all-zero.
int32_t registerEvents(cJSON const* body)
{
    uint32_t const count = bodyU32(body, "numOfNotifyEvents");
    cJSON const* list = bodyMember(body, "eventNotifyCfg");
    if (count == 0 || !cJSON_IsArray(list) || count > kMaxEvents)
        return kRespInvalidArgument;
    std::unique_ptr<EventNotifyCfgEntry[], CFree> block(
        static_cast<EventNotifyCfgEntry*>(calloc(count, sizeof(EventNotifyCfgEntry))));
    if (!block)
        return kRespGeneralFailed;
    uint32_t k = 0;
    for (cJSON const* item = list->child; item != nullptr && k < count; item = item->next, ++k)
        block[k] = { bodyU32(item, "eventType"), bodyU32(item, "timeout"), bodyU32(item, "eventCount") };
    OpenBuffDesc desc { static_cast<uint32_t>(count * sizeof(EventNotifyCfgEntry)), reinterpret_cast<char*>(block.get()) };
    return openResultToRespCode(rpcclt_openapiEventNotifyEventRegister(&clientHandle, kClient, count, &desc));
}

int eventRegister()
{
    return replyToBody(registerEvents);
}

// A call about the client alone; the request is not read.
template <auto Call>
int clientCall()
{
    replyStatusOnly(openResultToRespCode(Call(&clientHandle, kClient)));
    return 0;
}

constexpr RouteRow kRows[] = {
    { "client-register", kMethodPost, clientRegister },
    { "client-deregister", kMethodPost, clientCall<rpcclt_openapiEventNotifyClientDeregister> },
    { "register", kMethodPost, eventRegister },
    { "deregister", kMethodPost, clientCall<rpcclt_openapiEventNotifyEventDeregister> },
    { "data-receive", kMethodPost, unsupportedSet },
};

} // namespace

constinit std::span<RouteRow const> const eventNotifyRoutes = kRows;
constinit HttpdCContent* const eventNotifyEntries = LinkedRows<kRows>::first();
