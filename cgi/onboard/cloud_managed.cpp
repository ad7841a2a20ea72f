// Handlers under "/api/v2/mgmt/cloud-managed": cloud management on or off, its
// operational mode, the cloud server's URL and the proxy on the way there.
#include "routes.h"

#include "../../tools/families.h"
#include "../../tools/keyword_table.h"
#include "../../tools/sw_calls_cloud.h"

namespace {

constexpr char kGroup[] = "cloudManaged";

constexpr Keyword kEncryptTypes[] = {
    { kPasswordEncryptNone, "password_encrypt_none", "password_encrypt_none" },
    { kPasswordEncryptAes, "password_encrypt_aes", "password_encrypt_aes" },
    { kPasswordEncryptMd5, "password_encrypt_md5", "password_encrypt_md5" },
};

constexpr size_t kUserSize = 65;
constexpr size_t kPasswordSize = 129;
constexpr size_t kUrlSize = 151;

// The port travels in the query string, the address in the body.
int proxyIpSet()
{
    uint32_t port = 0;
    {
        ParamList params = queryStringParams();
        port = queryU32(cgiParamValueGet("portNum", params.get()));
    }
    return replyToBody([&](cJSON const* body) {
        OpenInetAddr address = inetAddrFromText(bodyText(body, "ipAddr"));
        return openResultToRespCode(rpcclt_openapiCloudManagedProxyIpSet(&clientHandle, &address, port));
    });
}

int proxyIpGet()
{
    OpenInetAddr address {};
    uint32_t port = 0;
    int const result = rpcclt_openapiCloudManagedProxyIpGet(&clientHandle, &address, &port);
    replyObject(kGroup, result, [&](cJSON* data) {
        jsonAdd(data, "ipAddr", Json(cJSON_CreateString(inetAddrToText(address).text)));
        jsonAdd(data, "portNum", Json(numberValue(port)));
    });
    return 0;
}

int proxyUserSet()
{
    return replyToBody([](cJSON const* body) {
        char user[kUserSize] = {};
        char password[kPasswordSize] = {};
        boundedCopy(user, bodyText(body, "userName"));
        boundedCopy(password, bodyText(body, "password"));
        uint32_t const encryptType = keywordCode(kEncryptTypes, bodyText(body, "encryptType"));
        OpenBuffDesc userDesc = textDesc(user);
        OpenBuffDesc passwordDesc = textDesc(password);
        return openResultToRespCode(
            rpcclt_openapiCloudManagedProxyUserSet(&clientHandle, &userDesc, encryptType, &passwordDesc));
    });
}

// The password is answered as the switch gives it.
int proxyUserGet()
{
    OutText<kUserSize> user;
    OutText<kPasswordSize> password;
    OpenBuffDesc userDesc = user.desc();
    OpenBuffDesc passwordDesc = password.desc();
    uint32_t encryptType = 0;
    int const result = rpcclt_openapiCloudManagedProxyUserGet(&clientHandle, &userDesc, &encryptType, &passwordDesc);
    replyObject(kGroup, result, [&](cJSON* data) {
        jsonAdd(data, "userName", Json(cJSON_CreateString(user.str())));
        jsonAdd(data, "encryptType", Json(cJSON_CreateString(keywordReply(kEncryptTypes, encryptType))));
        jsonAdd(data, "password", Json(cJSON_CreateString(password.str())));
    });
    return 0;
}

int serverUrlSet()
{
    return replyToBody([](cJSON const* body) {
        char url[kUrlSize] = {};
        boundedCopy(url, bodyText(body, "url"));
        OpenBuffDesc desc = textDesc(url);
        return openResultToRespCode(rpcclt_openapiCloudManagedServerUrlSet(&clientHandle, &desc));
    });
}

int serverUrlGet()
{
    OutText<kUrlSize> url;
    OpenBuffDesc desc = url.desc();
    int const result = rpcclt_openapiCloudManagedServerUrlGet(&clientHandle, &desc);
    replyObject(kGroup, result, [&](cJSON* data) { jsonAdd(data, "url", Json(cJSON_CreateString(url.str()))); });
    return 0;
}

template <auto Set>
constexpr auto setMode = setValue<"mode", bodyMode, Set>;
template <auto Get>
constexpr auto getMode = getValue<"cloudManaged", "mode", modeValue, Get>;

constexpr RouteRow kRows[] = {
    { "mode", kMethodGet, getMode<rpcclt_openapiCloudManagedModeGet> },
    { "mode", kMethodPut, setMode<rpcclt_openapiCloudManagedModeSet> },
    { "proxy-ip", kMethodGet, proxyIpGet },
    { "proxy-ip", kMethodPut, proxyIpSet },
    { "proxy-user", kMethodGet, proxyUserGet },
    { "proxy-user", kMethodPut, proxyUserSet },
    { "server-url", kMethodGet, serverUrlGet },
    { "server-url", kMethodPut, serverUrlSet },
    { "oper-mode", kMethodGet, getMode<rpcclt_openapiCloudManagedOperModeGet> },
    { "oper-mode", kMethodPut, setMode<rpcclt_openapiCloudManagedOperModeSet> },
};

} // namespace

constinit std::span<RouteRow const> const cloudManagedRoutes = kRows;
constinit HttpdCContent* const cloudManagedEntries = LinkedRows<kRows>::first();
