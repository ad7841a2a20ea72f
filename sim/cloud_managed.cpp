// The switch's "cloudManaged" area: cloud management on or off, its
// operational mode, the cloud server's URL and the proxy on the way there.
#include "../tools/sw_calls_cloud.h"
#include "settings.h"

#include <cstring>
#include <string>

namespace sim {

// Factory defaults of the "cloudManaged" section of the state file: the
// switch comes up standalone, pointed at its cloud service, without a proxy.
extern char const kCloudManagedDefaults[] = R"({
    "mode": 0,
    "operMode": 0,
    "serverUrl": "https://cloud.example.com/device",
    "proxyAddress": { "family": 0, "addr": "0.0.0.0" },
    "proxyPort": 0,
    "proxyUser": "",
    "proxyEncryptType": 0,
    "proxyPassword": ""
})";

} // namespace sim

namespace {

constexpr char kSection[] = "cloudManaged";
// Switches: 0 off, 1 on.
constexpr sim::Setting kMode { kSection, "mode", 0, 1 };
constexpr sim::Setting kOperMode { kSection, "operMode", 0, 1 };

constexpr size_t kUserMax = 64;
constexpr size_t kPasswordMax = 128;
constexpr size_t kUrlMax = 150;
constexpr uint32_t kPortMax = 65535;

bool addressIsZero(OpenInetAddr const& address)
{
    static constexpr uint8_t kZero[sizeof address.addr] = {};
    return memcmp(&address.addr, kZero, sizeof kZero) == 0;
}

bool hasScheme(std::string const& url)
{
    return url.starts_with("http://") || url.starts_with("https://");
}

} // namespace

extern "C" {

int rpcclt_openapiCloudManagedModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kMode, mode);
}

int rpcclt_openapiCloudManagedModeSet(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kMode, mode);
}

int rpcclt_openapiCloudManagedOperModeGet(OpenClientHandle*, uint32_t* mode)
{
    return sim::getSetting(__func__, kOperMode, mode);
}

int rpcclt_openapiCloudManagedOperModeSet(OpenClientHandle*, uint32_t mode)
{
    return sim::setSetting(__func__, kOperMode, mode);
}

int rpcclt_openapiCloudManagedProxyIpGet(OpenClientHandle*, OpenInetAddr* address, uint32_t* port)
{
    return sim::call("rpcclt_openapiCloudManagedProxyIpGet", { sim::addrOut(address), sim::out(port) },
                     [&](sim::State& state) {
                         if (address == nullptr || port == nullptr)
                             return sim::kBadParam;
                         cJSON const* area = state.section(kSection);
                         cJSON const* kept = cJSON_GetObjectItemCaseSensitive(area, "proxyAddress");
                         *address = sim::addrFromText(sim::u32(kept, "family"), sim::text(kept, "addr"));
                         *port = sim::u32(area, "proxyPort");
                         return sim::kOk;
                     });
}

// Family 0 removes the proxy (its port goes with it); an IPv4 or IPv6 proxy
// needs an address other than zero and a port from 1 to 65535.
int rpcclt_openapiCloudManagedProxyIpSet(OpenClientHandle*, OpenInetAddr* address, uint32_t port)
{
    return sim::call("rpcclt_openapiCloudManagedProxyIpSet", { sim::addrIn(address), sim::value(port) },
                     [&](sim::State& state) {
                         if (address == nullptr || address->family > kAfInet6)
                             return sim::kBadParam;
                         OpenInetAddr kept {};
                         if (address->family != kAfNone) {
                             if (addressIsZero(*address) || port == 0 || port > kPortMax)
                                 return sim::kBadParam;
                             kept = *address;
                         }
                         cJSON* area = state.section(kSection);
                         Json stored(cJSON_CreateObject());
                         cJSON_AddNumberToObject(stored.get(), "family", kept.family);
                         cJSON_AddStringToObject(stored.get(), "addr", sim::addrText(kept).c_str());
                         if (cJSON_ReplaceItemInObjectCaseSensitive(area, "proxyAddress", stored.get())
                             || cJSON_AddItemToObject(area, "proxyAddress", stored.get()))
                             stored.release();
                         sim::setNumber(state, area, "proxyPort", kept.family == kAfNone ? 0 : port);
                         state.changed = true;
                         return sim::kOk;
                     });
}

int rpcclt_openapiCloudManagedProxyUserGet(OpenClientHandle*, OpenBuffDesc* user, uint32_t* encryptType,
                                           OpenBuffDesc* password)
{
    return sim::call("rpcclt_openapiCloudManagedProxyUserGet",
                     { sim::textOut(user), sim::out(encryptType), sim::textOut(password) }, [&](sim::State& state) {
                         if (user == nullptr || encryptType == nullptr || password == nullptr)
                             return sim::kBadParam;
                         cJSON const* area = state.section(kSection);
                         sim::writeText(user, sim::text(area, "proxyUser"));
                         *encryptType = sim::u32(area, "proxyEncryptType");
                         sim::writeText(password, sim::text(area, "proxyPassword"));
                         return sim::kOk;
                     });
}

// The password is kept as given, whatever its protection says it is.
int rpcclt_openapiCloudManagedProxyUserSet(OpenClientHandle*, OpenBuffDesc* user, uint32_t encryptType,
                                           OpenBuffDesc* password)
{
    return sim::call("rpcclt_openapiCloudManagedProxyUserSet",
                     { sim::textIn(user), sim::value(encryptType), sim::textIn(password) }, [&](sim::State& state) {
                         std::string const name = sim::readText(user);
                         std::string const secret = sim::readText(password);
                         if (user == nullptr || password == nullptr || name.size() > kUserMax
                             || secret.size() > kPasswordMax || encryptType > kPasswordEncryptMd5)
                             return sim::kBadParam;
                         cJSON* area = state.section(kSection);
                         sim::setText(state, area, "proxyUser", name.c_str());
                         sim::setNumber(state, area, "proxyEncryptType", encryptType);
                         sim::setText(state, area, "proxyPassword", secret.c_str());
                         return sim::kOk;
                     });
}

int rpcclt_openapiCloudManagedServerUrlGet(OpenClientHandle*, OpenBuffDesc* url)
{
    return sim::call("rpcclt_openapiCloudManagedServerUrlGet", { sim::textOut(url) }, [&](sim::State& state) {
        if (url == nullptr)
            return sim::kBadParam;
        sim::writeText(url, sim::text(state.member(kSection, "serverUrl")));
        return sim::kOk;
    });
}

// The empty URL clears it; any other must be an http or https URL.
int rpcclt_openapiCloudManagedServerUrlSet(OpenClientHandle*, OpenBuffDesc* url)
{
    return sim::call("rpcclt_openapiCloudManagedServerUrlSet", { sim::textIn(url) }, [&](sim::State& state) {
        std::string const text = sim::readText(url);
        if (url == nullptr || text.size() > kUrlMax || (!text.empty() && !hasScheme(text)))
            return sim::kBadParam;
        sim::setText(state, state.section(kSection), "serverUrl", text.c_str());
        return sim::kOk;
    });
}

} // extern "C"
