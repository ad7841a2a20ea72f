// Registration with the switch's RPC service, and the versions it reports.
#include "sim.h"

#include <cstdio>
#include <cstring>

extern "C" {

int l7proc_crashlog_register(void)
{
    return sim::call("l7proc_crashlog_register", {}, [] { return sim::kOk; });
}

int openapiClientRegister(char const* clientName, OpenClientHandle* handle)
{
    return sim::call("openapiClientRegister", { sim::cstring(clientName) }, [&] {
        if (handle == nullptr || clientName == nullptr || clientName[0] == '\0')
            return sim::kBadParam;
        memset(handle->opaque, 0, sizeof handle->opaque);
        snprintf(reinterpret_cast<char*>(handle->opaque), sizeof handle->opaque, "%s", clientName);
        return sim::kOk;
    });
}

int openapiClientTearDown(OpenClientHandle* handle)
{
    return sim::call("openapiClientTearDown", {}, [&] {
        if (handle != nullptr)
            memset(handle->opaque, 0, sizeof handle->opaque);
        sim::releaseState();
        return sim::kOk;
    });
}

int rpcclt_openapiConnectivityCheck(OpenClientHandle*)
{
    return sim::call("rpcclt_openapiConnectivityCheck", {}, [] { return sim::kOk; });
}

int rpcclt_openapiNetworkOSVersionGet(OpenClientHandle*, OpenBuffDesc* version)
{
    return sim::call("rpcclt_openapiNetworkOSVersionGet", { sim::textOut(version) }, [&](sim::State& state) {
        if (version == nullptr || version->pstart == nullptr)
            return sim::kBadParam;
        sim::writeText(version, sim::text(state.member("system", "networkOsVersion")));
        return sim::kOk;
    });
}

int rpcclt_openapiApiVersionGet(OpenClientHandle*, OpenRevisionData* version)
{
    return sim::call("rpcclt_openapiApiVersionGet", { sim::revision(version) }, [&](sim::State& state) {
        if (version == nullptr)
            return sim::kBadParam;
        cJSON const* api = state.member("system", "openApiVersion");
        version->release = static_cast<uint8_t>(sim::u32(api, "release"));
        version->version = static_cast<uint8_t>(sim::u32(api, "version"));
        version->maint_level = static_cast<uint8_t>(sim::u32(api, "maint_level"));
        version->build_num = static_cast<uint8_t>(sim::u32(api, "build_num"));
        return sim::kOk;
    });
}

} // extern "C"
