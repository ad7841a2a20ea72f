// Cloud management: the proxy address, port, user and password and the server
// URL as they reach the switch, and as the next process reads them back. And
// the on/off switches of the Bonjour and cloud management groups: one family,
// "mode" in, 1 only for the exact string "enable", read back as a mode text.
#include "access_cases.h"

using namespace access_cases;

namespace {

constexpr char kProxyIp[] = "/api/v2/mgmt/cloud-managed/proxy-ip";
constexpr char kProxyUser[] = "/api/v2/mgmt/cloud-managed/proxy-user";
constexpr char kServerUrl[] = "/api/v2/mgmt/cloud-managed/server-url";

using expect::text;

class CloudManaged : public CgiTest {};

TEST_F(CloudManaged, ProxyAddressComesFromTheBodyAndThePortFromTheQuery)
{
    std::string const v6 = R"({"ipAddr":"2001:db8::1","portNum":3128})", v4 = R"({"ipAddr":"192.0.2.10","portNum":81})";
    RoundTrip const cases[] = {
        { "portNum=3128", R"({"ipAddr":"2001:db8::1"})", 0, R"({"family":2,"addr":"2001:db8::1"},3128)", v6 },
        { "xportNum=81&portNum=80", R"({"IPADDR":"192.0.2.10"})", 0, R"({"family":1,"addr":"192.0.2.10"},81)", v4 },
        { std::nullopt, R"({"ipAddr":"192.0.2.1","portNum":8080})", 10003, R"({"family":1,"addr":"192.0.2.1"},0)", v4 },
        { "portNum=8080", R"({"ipAddr":"proxy.example.com"})", 10003, R"({"family":1,"addr":"0.0.0.0"},8080)", v4 },
        { "portNum=8080", R"({"ipAddr":"::"})", 10003, R"({"family":2,"addr":"::"},8080)", v4 },
        { "portNum=8080", R"({"ipAddr":5})", 0, R"({"family":0,"addr":"0.0.0.0"},8080)", R"({"ipAddr":"0.0.0.0","portNum":0})" },
    };
    expectRoundTrips(kProxyIp, "cloudManaged", "CloudManagedProxyIp", R"({"family":0,"addr":"0.0.0.0"},0)", cases);
}

TEST_F(CloudManaged, ProxyUserAndPasswordAreCutToTheirBuffersAndReadBack)
{
    std::string const u(64, 'u'), p(128, 'p');
    RoundTrip const cases[] = {
        { {}, R"({"userName":")" + u + R"(","password":")" + p + R"(","encryptType":"password_encrypt_md5"})", 0,
          text(u, 65) + ",2," + text(p, 129), R"({"userName":")" + u + R"(","encryptType":"password_encrypt_md5","password":")" + p + "\"}" },
        { {}, R"({"USERNAME":")" + u + R"(u","Password":")" + p + R"(p","encryptType":"PASSWORD_ENCRYPT_AES"})", 0,
          text(u, 65) + ",0," + text(p, 129), R"({"userName":")" + u + R"(","encryptType":"password_encrypt_none","password":")" + p + "\"}" },
        { {}, R"({"userName":"ops","password":"s3cret","encryptType":"password_encrypt_aes"})", 0,
          text("ops", 4) + ",1," + text("s3cret", 7), R"({"userName":"ops","encryptType":"password_encrypt_aes","password":"s3cret"})" },
    };
    expectRoundTrips(kProxyUser, "cloudManaged", "CloudManagedProxyUser", text("", 65) + ",0," + text("", 129), cases);
}

TEST_F(CloudManaged, ServerUrlIsCutTo150CharactersAndReadBack)
{
    std::string const url = "https://" + std::string(192, 'c'), cut = url.substr(0, 150);
    RoundTrip const cases[] = {
        { {}, "{\"url\":\"" + url + "\"}", 0, text(cut, 151), "{\"url\":\"" + cut + "\"}" },
        { {}, R"({"url":"ftp://files.example.com"})", 10003, text("ftp://files.example.com", 24), "{\"url\":\"" + cut + "\"}" },
        { {}, R"({"URL":"http://nms.example.com/"})", 0, text("http://nms.example.com/", 24), R"({"url":"http://nms.example.com/"})" },
        { {}, "{}", 0, text("", 1), R"({"url":""})" },
    };
    expectRoundTrips(kServerUrl, "cloudManaged", "CloudManagedServerUrl", text("", 151), cases);
}

struct ModeRoute {
    char const* uri;
    char const* group;
    char const* member; // of the GET reply
    char const* calls;  // the calls' common name, before "Set" and "Get"
};

constexpr ModeRoute kRoutes[] = {
    { "/api/v2/mgmt/bonjour/admin-mode", "bonjour", "pMode", "BonjourAdminMode" },
    { "/api/v2/mgmt/bonjour/debug-level1", "bonjour", "pMode", "BonjourDebugLevel1" },
    { "/api/v2/mgmt/bonjour/debug-level2", "bonjour", "pMode", "BonjourDebugLevel2" },
    { "/api/v2/mgmt/cloud-managed/mode", "cloudManaged", "mode", "CloudManagedMode" },
    { "/api/v2/mgmt/cloud-managed/oper-mode", "cloudManaged", "mode", "CloudManagedOperMode" },
};

class ModeRoutes : public CgiTest {};

// Alternating values, so that every row changes what the switch holds; the
// mode reader's own rules are its unit test's.
TEST_F(ModeRoutes, SetSendsOneOnlyForExactEnableAndTheNextProcessReadsItBack)
{
    for (auto const& route : kRoutes) {
        std::string const member = std::string("{\"") + route.member + "\":";
        RoundTrip const cases[] = {
            { {}, R"({"mode":"enable"})", 0, "1", member + "\"enable\"}" },
            { {}, R"({"mode":"disable"})", 0, "0", member + "\"disable\"}" },
        };
        expectRoundTrips(route.uri, route.group, route.calls, "0", cases);
    }
}

// Values beyond the switch's tables: a mode reads as enabled only for 1, an
// unknown encryption as none. Failures keep their reply form and drop the
// group; one mode route stands for the family all share.
TEST_F(ModeRoutes, SwitchValuesAndFailuresReachTheClientInTheirForm)
{
    Exchange const rows[] = {
        { "GET", "bonjour/admin-mode", {}, {}, expect::getReply(0, "bonjour", R"({"pMode":"disable"})"), {}, expect::fault("BonjourAdminModeGet", 0, "2") },
        { "GET", "bonjour/admin-mode", {}, {}, expect::getReply(17002), {}, expect::fault("BonjourAdminModeGet", -28) },
        { "PUT", "bonjour/admin-mode", {}, "{}", expect::setReply(10003), {}, expect::fault("BonjourAdminModeSet", -22) },
        { "GET", "cloud-managed/proxy-user", {}, {}, expect::getReply(0, "cloudManaged", R"({"userName":"u","encryptType":"password_encrypt_none","password":"p"})"), {},
          expect::fault("CloudManagedProxyUserGet", 0, R"("u",3,"p")") },
        { "GET", "cloud-managed/proxy-ip", {}, {}, expect::getReply(10000), {}, expect::fault("CloudManagedProxyIpGet", -1) },
    };
    expectExchanges("/api/v2/mgmt/", rows);
}

} // namespace
