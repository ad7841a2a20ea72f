// The switch's "eventNotify" area: the registered notification clients and
// the events each has subscribed to.
#include "../tools/sw_calls_event_notify.h"
#include "sim.h"

#include <cstring>
#include <string>

namespace sim {

// Factory defaults of the "eventNotify" section of the state file: no client
// is registered.
extern char const kEventNotifyDefaults[] = R"({
    "clients": []
})";

} // namespace sim

namespace {

constexpr char kSection[] = "eventNotify";

constexpr uint32_t kClientSlots = 4;     // clients 0 to 3
constexpr size_t kDescriptionMax = 255;
constexpr uint32_t kEventsPerClient = 32;

cJSON* clients(sim::State& state)
{
    return sim::array(state.section(kSection), "clients");
}

// The client's position in the table, or -1.
int clientPosition(sim::State& state, uint32_t client)
{
    int position = 0;
    cJSON const* item = nullptr;
    cJSON_ArrayForEach(item, clients(state))
    {
        if (sim::u32(item, "id") == client)
            return position;
        ++position;
    }
    return -1;
}

cJSON* clientEntry(sim::State& state, uint32_t client)
{
    int const position = clientPosition(state, client);
    return position < 0 ? nullptr : cJSON_GetArrayItem(clients(state), position);
}

Json eventsOf(OpenBuffDesc const& block, uint32_t count)
{
    Json events(cJSON_CreateArray());
    for (uint32_t k = 0; k < count; ++k) {
        EventNotifyCfgEntry entry;
        memcpy(&entry, block.pstart + k * sizeof entry, sizeof entry);
        cJSON* event = cJSON_CreateObject();
        cJSON_AddNumberToObject(event, "eventType", entry.eventType);
        cJSON_AddNumberToObject(event, "timeout", entry.timeout);
        cJSON_AddNumberToObject(event, "eventCount", entry.eventCount);
        cJSON_AddItemToArray(events.get(), event);
    }
    return events;
}

void replaceEvents(sim::State& state, cJSON* client, Json events)
{
    cJSON_DeleteItemFromObjectCaseSensitive(client, "events");
    jsonAdd(client, "events", std::move(events));
    state.changed = true;
}

} // namespace

extern "C" {

// A client registers once, with a description of 1 to 255 characters.
int rpcclt_openapiEventNotifyClientRegister(OpenClientHandle*, uint32_t client, OpenBuffDesc* description)
{
    return sim::call("rpcclt_openapiEventNotifyClientRegister", { sim::value(client), sim::textIn(description) },
                     [&](sim::State& state) {
                         std::string const text = sim::readText(description);
                         if (client >= kClientSlots || text.empty() || text.size() > kDescriptionMax)
                             return sim::kBadParam;
                         if (clientPosition(state, client) >= 0)
                             return sim::kExists;
                         cJSON* entry = cJSON_CreateObject();
                         cJSON_AddNumberToObject(entry, "id", client);
                         cJSON_AddStringToObject(entry, "description", text.c_str());
                         cJSON_AddItemToObject(entry, "events", cJSON_CreateArray());
                         cJSON_AddItemToArray(clients(state), entry);
                         state.changed = true;
                         return sim::kOk;
                     });
}

// The client goes, and its subscriptions with it.
int rpcclt_openapiEventNotifyClientDeregister(OpenClientHandle*, uint32_t client)
{
    return sim::call("rpcclt_openapiEventNotifyClientDeregister", { sim::value(client) }, [&](sim::State& state) {
        if (client >= kClientSlots)
            return sim::kBadParam;
        int const position = clientPosition(state, client);
        if (position < 0)
            return sim::kNotFound;
        cJSON_DeleteItemFromArray(clients(state), position);
        state.changed = true;
        return sim::kOk;
    });
}

// The block replaces the client's subscriptions as a whole.
int rpcclt_openapiEventNotifyEventRegister(OpenClientHandle*, uint32_t client, uint32_t count, OpenBuffDesc* entries)
{
    return sim::call("rpcclt_openapiEventNotifyEventRegister",
                     { sim::value(client), sim::value(count), sim::events(entries) }, [&](sim::State& state) {
                         if (client >= kClientSlots || count == 0 || entries == nullptr || entries->pstart == nullptr
                             || entries->size != uint64_t { count } * sizeof(EventNotifyCfgEntry))
                             return sim::kBadParam;
                         cJSON* entry = clientEntry(state, client);
                         if (entry == nullptr)
                             return sim::kNotFound;
                         if (count > kEventsPerClient)
                             return sim::kFull;
                         replaceEvents(state, entry, eventsOf(*entries, count));
                         return sim::kOk;
                     });
}

// Drops every subscription of the client; there must be some.
int rpcclt_openapiEventNotifyEventDeregister(OpenClientHandle*, uint32_t client)
{
    return sim::call("rpcclt_openapiEventNotifyEventDeregister", { sim::value(client) }, [&](sim::State& state) {
        if (client >= kClientSlots)
            return sim::kBadParam;
        cJSON* entry = clientEntry(state, client);
        if (entry == nullptr)
            return sim::kNotFound;
        if (cJSON_GetArraySize(cJSON_GetObjectItemCaseSensitive(entry, "events")) == 0)
            return sim::kNotFound;
        replaceEvents(state, entry, Json(cJSON_CreateArray()));
        return sim::kOk;
    });
}

} // extern "C"
