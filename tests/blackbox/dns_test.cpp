// The DNS client resources and the address helpers that answer under "dns":
// what each request hands the switch, how each reply form reads, and the
// switch's tables walked end to end across processes.
#include "access_cases.h"

#include <functional>

using namespace harness;
using access_cases::memberOf;

namespace {

// A get-style reply under "dns".
std::string dns(int code, char const* data = nullptr) { return expect::getReply(code, "dns", data != nullptr ? data : ""); }

std::string const kLong300(300, 'a');
std::string const kCut255 = R"({"size":256,"text":")" + std::string(255, 'a') + R"("})";
std::string const kLongBody = R"({"defaultDomainName":")" + kLong300 + R"("})";
std::string const kVrf20 = "vrfName=" + std::string(20, 'v') + "&hostname=tftp&family=inet";
std::string const kVrfCut = R"({"size":16,"text":")" + std::string(15, 'v') + R"("},{"size":5,"text":"tftp"},1)";
std::string const kIpStr60 = "ipStr=" + std::string(60, '1');
std::string const kIpStrCut = R"({"size":46,"text":")" + std::string(45, '1') + R"("},{"family":0,"addr":"0.0.0.0"})";

// The cache walk's cursor when no host name is given.
constexpr char kZeroEntry[] = R"({"hostName":"","rrName":"","rrType":0,"rrIndex":0,"rrClass":0,"ttl":0,"ttlElapsed":0,"entryType":0,"hostAddr":{"family":0,"addr":"0.0.0.0"}})";

class Dns : public CgiTest {};

// Requests the tables below do not read back or walk: members and parameters
// read as the switch must get them, texts cut and sized (the readers' own
// rules are their unit test's), cursors and buffers as the switch gets them,
// reply members from what it returns, the cache walk's own end, and the later
// of two equal registrations serving.
TEST_F(Dns, RequestsHandTheSwitchWhatTheySayAndAnswerWhatItReturns)
{
    access_cases::Exchange const cases[] = {
        { "PUT", "mgmt/dns/admin-mode", {}, R"({"ADMINMODE":"enable"})", expect::setReply(0), expect::call("DNSAdminModeSet", "1") },
        { "PUT", "mgmt/dns/default-domain-name", {}, "{}", expect::setReply(10003), expect::call("DNSDefaultDomainNameSet", R"({"size":1,"text":""})") },
        { "PUT", "mgmt/dns/default-domain-name", {}, kLongBody, expect::setReply(10003), expect::call("DNSDefaultDomainNameSet", kCut255) },
        { "POST", "mgmt/dns/ip-name-server", {}, R"({"ipaddr":"192.168.1.1"})", expect::setReply(10011), expect::call("DNSIpNameServerAdd", R"({"family":1,"addr":"192.168.1.1"})") },
        { "DELETE", "mgmt/dns/ip-name-server", "ipAddr=2001%3Adb8%3A%3A53", {}, expect::setReply(10000), expect::call("DNSIpNameServerDelete", R"({"family":1,"addr":"0.0.0.0"})") },
        { "PUT", "mgmt/dns/static-host-address-mapping", {}, "[1]", expect::setReply(10003), expect::call("DNSStaticHostAddressMappingSet", R"({"size":1,"text":""},{"family":0,"addr":"0.0.0.0"})") },
        { "DELETE", "mgmt/dns/static-host-address-mapping", "hostname=tftp&family=ipv6", {}, expect::setReply(0), expect::call("DNSStaticHostAddressMappingDelete", R"({"size":1,"text":""},{"size":5,"text":"tftp"},2)") },
        { "DELETE", "mgmt/dns/static-host-address-mapping", "family=inet6&hostname=tftp", {}, expect::setReply(0), expect::call("DNSStaticHostAddressMappingDelete", R"({"size":1,"text":""},{"size":5,"text":"tftp"},2)") },
        { "DELETE", "mgmt/dns/static-host-address-mapping", "hostname=tftp&family=ipv4", {}, expect::setReply(0), expect::call("DNSStaticHostAddressMappingDelete", R"({"size":1,"text":""},{"size":5,"text":"tftp"},1)") },
        { "DELETE", "mgmt/dns/static-host-address-mapping", kVrf20, {}, expect::setReply(10000), expect::call("DNSStaticHostAddressMappingDelete", kVrfCut) },
        { "DELETE", "mgmt/dns/client-cache-host", "vrfName=mgmt", {}, expect::setReply(0), expect::call("DNSClientCacheHostClear", R"({"size":5,"text":"mgmt"},1,{"size":1,"text":""})") },
        { "DELETE", "mgmt/dns/client-cache-host", "isAllHosts=false&hostname=nowhere", {}, expect::setReply(10000), expect::call("DNSClientCacheHostClear", R"({"size":1,"text":""},0,{"size":8,"text":"nowhere"})") },
        { "DELETE", "mgmt/dns/static-host-address-mapping", {}, {}, expect::setReply(0), expect::call("DNSStaticHostAddressMappingDelete", R"({"size":1,"text":""},{"size":1,"text":""},0)"), R"({"rpcclt_openapiDNSStaticHostAddressMappingDelete":0})" },
        { "GET", "mgmt/dns/default-domain-name", {}, {}, dns(0, R"({"defaultDomainName":"localdomain"})"), expect::call("DNSDefaultDomainNameGet", R"({"size":256,"text":""})") },
        { "GET", "mgmt/dns/domain-name-max-size", {}, {}, dns(0, R"({"domainNameMaxSize":255})"), expect::call("DNSDomainNameMaxSizeGet", "0") },
        { "GET", "mgmt/dns/domain-label-maximum-size", {}, {}, dns(0, R"({"domainLabelMaxSize":63})"), expect::call("DNSDomainLabelMaximumSizeGet", "0") },
        { "GET", "mgmt/dns/ip-name-servers-max-supported", {}, {}, dns(0, R"({"maxNameServers":8})"), expect::call("DNSIpNameServersMaxSupportedGet", "0") },
        { "GET", "mgmt/dns/ip-name-servers-with-pref-next", "ipAddr=192.168.1.1&preference=4294967297", {}, dns(0, R"({"ipAddr":"2001:db8::53","preference":2})"), expect::call("DNSIpNameServersWithPrefNextGet", R"({"family":1,"addr":"192.168.1.1"},1)") },
        { "POST", "mgmt/dns/client-inet-name-lookup", {}, "{}", dns(10003), expect::call("DNSClientInetNameLookup", R"({"size":1,"text":""},{"size":46,"text":""})") },
        { "GET", "mgmt/dns/domain-name-entry-next", "hostname=zzz", {}, dns(0, R"({"domainNameEntry":{"hostName":"firmware.example.com","rrName":"cdn.example.com","rrType":5,"rrIndex":2,"rrClass":1,"ttl":300,"ttlElapsed":45,"entryType":"cname","hostAddr":"198.51.100.80"}})"), expect::call("DnsDomainNameEntryNextGet", kZeroEntry) },
        { "GET", "mgmt/dns/domain-name-entry-next", "hostName=a", {}, dns(0, R"({"domainNameEntry":{"hostName":"b","rrName":"c","rrType":9,"rrIndex":4294967295,"rrClass":3,"ttl":4,"ttlElapsed":5,"entryType":"invalid","hostAddr":"2001:db8::1"}})"), expect::call("DnsDomainNameEntryNextGet", R"({"hostName":"a","rrName":"","rrType":0,"rrIndex":0,"rrClass":0,"ttl":0,"ttlElapsed":0,"entryType":0,"hostAddr":{"family":0,"addr":"0.0.0.0"}})"), R"({"rpcclt_openapiDnsDomainNameEntryNextGet":{"out":[{"hostName":"b","rrName":"c","rrType":9,"rrIndex":4294967295,"rrClass":3,"ttl":4,"ttlElapsed":5,"entryType":2,"hostAddr":{"family":2,"addr":"2001:db8::1"}}]}})" },
        { "GET", "system/common/inet-addr", kIpStr60, {}, dns(10003), expect::call("InetAddrGet", kIpStrCut) },
        { "GET", "system/common/inet-addr", "ipStr=10.1.2.3", {}, dns(0, R"({"ipAddr":"10.1.2.3"})"), expect::call("InetAddrGet", R"({"size":9,"text":"10.1.2.3"},{"family":0,"addr":"0.0.0.0"})") },
        { "GET", "system/common/inet-addr-max-size", {}, {}, dns(0, R"({"inetAddrMaxSize":46})"), expect::call("InetAddrMaxSizeGet", "0") },
        { "GET", "mgmt/dns/domain-name-entry-next", {}, {}, dns(0, R"({"empty":true})"), expect::call("DnsDomainNameEntryNextGet", kZeroEntry), R"({"rpcclt_openapiDnsDomainNameEntryNextGet":-26})" },
        { "GET", "mgmt/dns/domain-name-entry-next", {}, {}, dns(17002), expect::call("DnsDomainNameEntryNextGet", kZeroEntry), R"({"rpcclt_openapiDnsDomainNameEntryNextGet":-28})" },
    };
    access_cases::expectExchanges("/api/v2/", cases, true);
}

// ---- the switch's tables, across processes ----

struct Reply {
    int code = -1;
    std::string data; // the "dns" object, compact
};

// A request with its input in the query (GET, DELETE) or the body.
Reply send(std::string const& method, std::string const& uri, std::string const& input)
{
    bool const byQuery = method == "GET" || method == "DELETE";
    std::string const out = run({ .method = method, .uri = "/api/v2/" + uri, .query = byQuery ? std::optional(input) : std::nullopt,
                                  .body = byQuery ? std::nullopt : std::optional(input) }).out;
    if (out.rfind(kJsonHeader, 0) != 0)
        return {};
    return { std::stoi(memberOf(out, { "resp", "respCode" })), memberOf(out, { "dns" }) };
}

// Follows a walk from the given cursor, each reply giving the next query,
// until a reply without an entry: the replies' data and the ending code.
struct Walk {
    std::vector<std::string> seen;
    int end;
};

Walk walk(std::string const& uri, std::string const& first, std::function<std::string(std::string const&)> const& next)
{
    std::vector<std::string> seen;
    Reply reply = send("GET", uri, first);
    for (int step = 0; reply.code == 0 && reply.data != R"({"empty":true})" && step < 20; ++step) {
        seen.push_back(reply.data);
        reply = send("GET", uri, next(reply.data));
    }
    return { seen, reply.code };
}

constexpr char kSeed[] = R"({"dns":{"adminMode":1,"defaultDomainName":"","domainNameMaxSize":255,"domainLabelMaxSize":63,
  "maxNameServers":3,"nameServers":[{"family":1,"addr":"192.0.2.2","preference":2},{"family":2,"addr":"2001:db8::1","preference":1}],
  "maxStaticHosts":4,"staticHosts":[{"vrf":"","hostname":"zeta","family":2,"addr":"2001:db8::5"},
    {"vrf":"blue","hostname":"core","family":1,"addr":"10.9.9.9"},{"vrf":"","hostname":"Alpha","family":1,"addr":"192.0.2.10"},
    {"vrf":"","hostname":"zeta","family":1,"addr":"192.0.2.5"}],
  "maxCacheEntries":3,"cache":[{"vrf":"","hostName":"b.example","entryType":1,"hostAddr":{"family":1,"addr":"192.0.2.20"}},
    {"vrf":"","hostName":"a.example","entryType":28,"hostAddr":{"family":2,"addr":"2001:db8::20"}}],
  "remoteHosts":[{"name":"c.example","family":1,"addr":"192.0.2.30","ttl":60}]}})";

class DnsTables : public CgiTest {
protected:
    void SetUp() override
    {
        CgiTest::SetUp();
        access_cases::seedState(kSeed);
    }
};

TEST_F(DnsTables, NameServersWalkInPreferenceOrderAndKeepItOnChange)
{
    auto const servers = [] {
        auto const [seen, end] = walk("mgmt/dns/ip-name-servers-with-pref-next", "",
                                      [](std::string const& d) { return "ipAddr=" + memberOf(d, { "ipAddr" }) + "&preference=9"; });
        EXPECT_EQ(end, 10000);
        return seen;
    };
    EXPECT_EQ(servers(), (std::vector<std::string> { R"({"ipAddr":"2001:db8::1","preference":1})", R"({"ipAddr":"192.0.2.2","preference":2})" }));
    EXPECT_EQ(send("POST", "mgmt/dns/ip-name-server", R"({"ipAddr":"192.0.2.3"})").code, 0);
    EXPECT_EQ(send("POST", "mgmt/dns/ip-name-server", R"({"ipAddr":"192.0.2.4"})").code, 10000); // full at 3
    EXPECT_EQ(send("DELETE", "mgmt/dns/ip-name-server", "ipAddr=2001:db8::1").code, 0);
    EXPECT_EQ(servers(), (std::vector<std::string> { R"({"ipAddr":"192.0.2.2","preference":1})", R"({"ipAddr":"192.0.2.3","preference":2})" }));
    auto const plain = walk("mgmt/dns/ip-name-servers-next", "", [](std::string const& d) { return "ipAddr=" + memberOf(d, { "ipAddr" }); });
    EXPECT_EQ(plain.seen, (std::vector<std::string> { R"({"ipAddr":"192.0.2.2"})", R"({"ipAddr":"192.0.2.3"})" }));
}

TEST_F(DnsTables, StaticHostsWalkByNameThenAddressWithinTheirVrf)
{
    auto const names = walk("mgmt/dns/static-host-next", "", [](std::string const& d) { return "hostname=" + memberOf(d, { "hostname" }); });
    EXPECT_EQ(names.seen, (std::vector<std::string> { R"({"hostname":"Alpha"})", R"({"hostname":"zeta"})" }));
    EXPECT_EQ(names.end, 10000);
    auto const entries = [](std::string const& vrf) {
        return walk("mgmt/dns/static-host-address-mapping-next", "vrfName=" + vrf, [&](std::string const& d) {
            return "vrfName=" + vrf + "&hostname=" + memberOf(d, { "hostname" }) + "&ipAddr=" + memberOf(d, { "ipAddr" });
        }).seen;
    };
    EXPECT_EQ(entries(""), (std::vector<std::string> { R"({"hostname":"Alpha","ipAddr":"192.0.2.10"})",
                                                       R"({"hostname":"zeta","ipAddr":"192.0.2.5"})",
                                                       R"({"hostname":"zeta","ipAddr":"2001:db8::5"})" }));
    EXPECT_EQ(entries("blue"), (std::vector<std::string> { R"({"hostname":"core","ipAddr":"10.9.9.9"})" }));
    // A new address for a known name replaces it; a fifth entry does not fit.
    EXPECT_EQ(send("PUT", "mgmt/dns/static-host-address-mapping", R"({"hostname":"ZETA","ipAddr":"192.0.2.6"})").code, 0);
    EXPECT_EQ(send("PUT", "mgmt/dns/static-host-address-mapping", R"({"hostname":"new","ipAddr":"192.0.2.7"})").code, 10000);
    EXPECT_EQ(send("GET", "mgmt/dns/static-host-ip-addr", "hostname=zeta").data, R"({"ipAddr":"192.0.2.6"})");
    EXPECT_EQ(send("GET", "system/common/inet-addr", "ipStr=alpha").data, R"({"ipAddr":"192.0.2.10"})");
    EXPECT_EQ(send("DELETE", "mgmt/dns/static-host-address-mapping", "hostname=zeta").code, 0); // every family
    EXPECT_EQ(send("GET", "mgmt/dns/static-host-ip-addr", "hostname=zeta").code, 10000);
}

TEST_F(DnsTables, CacheWalksToItsEndAndFollowsLookupsAndClears)
{
    auto const cached = [] {
        auto const [seen, end] = walk("mgmt/dns/domain-name-entry-next", "", [](std::string const& d) {
            return "hostName=" + memberOf(d, { "domainNameEntry", "hostName" });
        });
        EXPECT_EQ(end, 0); // the walk ends on {"empty":true}
        std::vector<std::string> names;
        for (auto const& d : seen)
            names.push_back(memberOf(d, { "domainNameEntry", "hostName" }));
        return names;
    };
    EXPECT_EQ(cached(), (std::vector<std::string> { "a.example", "b.example" }));
    EXPECT_EQ(send("POST", "mgmt/dns/client-inet-name-lookup", R"({"hostname":"c.example"})").data, R"({"ipAddr":"192.0.2.30"})");
    EXPECT_EQ(cached(), (std::vector<std::string> { "a.example", "b.example", "c.example" }));
    EXPECT_EQ(send("DELETE", "mgmt/dns/client-cache-host", "isAllHosts=false&hostname=B.example").code, 0);
    EXPECT_EQ(cached(), (std::vector<std::string> { "a.example", "c.example" }));
    // With the client disabled only the static table answers.
    EXPECT_EQ(send("PUT", "mgmt/dns/admin-mode", R"({"adminMode":"disable"})").code, 0);
    EXPECT_EQ(send("GET", "mgmt/dns/admin-mode", "").data, R"({"adminMode":"disable"})");
    EXPECT_EQ(send("POST", "mgmt/dns/client-inet-name-lookup", R"({"hostname":"a.example"})").code, 10000);
    EXPECT_EQ(send("POST", "mgmt/dns/client-inet-name-lookup", R"({"hostname":"zeta"})").data, R"({"ipAddr":"192.0.2.5"})");
    EXPECT_EQ(send("DELETE", "mgmt/dns/client-cache-host", "").code, 0);
    EXPECT_EQ(cached(), std::vector<std::string> {});
}

TEST_F(DnsTables, DefaultDomainNameIsKeptUntilDeleted)
{
    EXPECT_EQ(send("PUT", "mgmt/dns/default-domain-name", R"({"defaultDomainName":"corp.example"})").code, 0);
    EXPECT_EQ(send("GET", "mgmt/dns/default-domain-name", "").data, R"({"defaultDomainName":"corp.example"})");
    EXPECT_EQ(send("PUT", "mgmt/dns/default-domain-name", R"({"defaultDomainName":"-bad.example"})").code, 10003);
    EXPECT_EQ(send("DELETE", "mgmt/dns/default-domain-name", "").code, 0);
    EXPECT_EQ(send("GET", "mgmt/dns/default-domain-name", "").data, R"({"defaultDomainName":""})");
}

} // namespace
