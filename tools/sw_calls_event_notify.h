// The switch's event notification calls: a client registers itself, then
// subscribes to events; both can be undone.
#pragma once

#include "sw_calls.h"

extern "C" {

// One event subscription; a block of them travels with no gap between entries.
struct EventNotifyCfgEntry {
    uint32_t eventType;
    uint32_t timeout;
    uint32_t eventCount;
};

// client selects the notification client the call is about.
int rpcclt_openapiEventNotifyClientRegister(OpenClientHandle* handle, uint32_t client, OpenBuffDesc* description);
int rpcclt_openapiEventNotifyClientDeregister(OpenClientHandle* handle, uint32_t client);
// The block holds count entries; its descriptor's size is count x 12.
int rpcclt_openapiEventNotifyEventRegister(OpenClientHandle* handle, uint32_t client, uint32_t count,
                                           OpenBuffDesc* entries);
int rpcclt_openapiEventNotifyEventDeregister(OpenClientHandle* handle, uint32_t client);

} // extern "C"

static_assert(sizeof(EventNotifyCfgEntry) == 12 && alignof(EventNotifyCfgEntry) == 4);
static_assert(offsetof(EventNotifyCfgEntry, eventType) == 0);
static_assert(offsetof(EventNotifyCfgEntry, timeout) == 4);
static_assert(offsetof(EventNotifyCfgEntry, eventCount) == 8);
