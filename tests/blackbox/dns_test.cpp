// The DNS client resources and the address helpers that answer under "dns":
// what each request hands the switch, how each reply form reads, and the
// switch's tables walked end to end across processes.
#include "access_cases.h"

#include <cstdio>
#include <functional>

using namespace harness;
using access_cases::memberOf;

namespace {

enum class Form { Status, Data };

struct Case {
    char const* name;
    char const* method;
    char const* uri;    // under /api/v2/
    char const* input;  // the query string of GET and DELETE, the body of POST and PUT; none when null
    char const* call;   // the handler's one switch call, after "rpcclt_openapi"; none when null
    char const* args;   // its arguments as the trace records them
    Form form;
    int code;
    char const* data = nullptr;   // the data under "dns" on success
    char const* faults = nullptr; // SWSIM_FAULTS
};

Result request(char const* method, std::string const& uri, char const* input, char const* faults = nullptr)
{
    bool const query = std::string(method) == "GET" || std::string(method) == "DELETE";
    return access_cases::request(method, "/api/v2/" + uri, query ? nullptr : input, query ? input : nullptr, faults);
}

// Each case on the factory defaults.
void check(Case const& c)
{
    SCOPED_TRACE(c.name);
    std::remove(kStatePath);
    clearTrace();
    Result r = request(c.method, c.uri, c.input, c.faults);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.form == Form::Status ? setReply(c.code, message(c.code))
                                             : getReply(c.code, message(c.code), "dns", c.data));
    std::vector<std::string> want;
    if (c.call != nullptr)
        want.push_back(std::string(R"({"call":"rpcclt_openapi)") + c.call + R"(","args":)" + c.args + "}");
    EXPECT_EQ(handlerCalls(), want);
}

std::string const kLong300(300, 'a');
std::string const kCut255 = R"([{"size":256,"text":")" + std::string(255, 'a') + R"("}])";
std::string const kLongBody = R"({"defaultDomainName":")" + kLong300 + R"("})";
std::string const kVrf20 = "vrfName=" + std::string(20, 'v') + "&hostname=tftp&family=inet";
std::string const kVrfCut = R"([{"size":16,"text":")" + std::string(15, 'v') + R"("},{"size":5,"text":"tftp"},1])";
std::string const kIpStr60 = "ipStr=" + std::string(60, '1');
std::string const kIpStrCut = R"([{"size":46,"text":")" + std::string(45, '1') + R"("},{"family":0,"addr":"0.0.0.0"}])";

// The cache walk's cursor when no host name is given.
constexpr char kZeroEntry[] = R"([{"hostName":"","rrName":"","rrType":0,"rrIndex":0,"rrClass":0,"ttl":0,"ttlElapsed":0,"entryType":0,"hostAddr":{"family":0,"addr":"0.0.0.0"}}])";

class Dns : public CgiTest {};

// Set-style requests: members and parameters read as the switch must get
// them, texts cut and sized (the readers' own rules are their unit test's);
// a forced code in the status form, and the later of two equal
// registrations serving.
TEST_F(Dns, SetRequestsHandTheSwitchExactlyWhatTheRequestSays)
{
    Case const cases[] = {
        { "member in any case", "PUT", "mgmt/dns/admin-mode", R"({"ADMINMODE":"enable"})", "DNSAdminModeSet", "[1]", Form::Status, 0 },
        { "empty domain", "PUT", "mgmt/dns/default-domain-name", "{}", "DNSDefaultDomainNameSet", R"([{"size":1,"text":""}])", Form::Status, 10003 },
        { "domain cut", "PUT", "mgmt/dns/default-domain-name", kLongBody.c_str(), "DNSDefaultDomainNameSet", kCut255.c_str(), Form::Status, 10003 },
        { "domain", "PUT", "mgmt/dns/default-domain-name", R"({"defaultdomainname":"corp.example"})", "DNSDefaultDomainNameSet", R"([{"size":13,"text":"corp.example"}])", Form::Status, 0 },
        { "domain delete", "DELETE", "mgmt/dns/default-domain-name", "x=1", "DNSDefaultDomainNameDelete", "[]", Form::Status, 0 },
        { "server v4", "POST", "mgmt/dns/ip-name-server", R"({"ipAddr":"192.0.2.7"})", "DNSIpNameServerAdd", R"([{"family":1,"addr":"192.0.2.7"}])", Form::Status, 0 },
        { "server twice", "POST", "mgmt/dns/ip-name-server", R"({"ipaddr":"192.168.1.1"})", "DNSIpNameServerAdd", R"([{"family":1,"addr":"192.168.1.1"}])", Form::Status, 10011 },
        { "server delete", "DELETE", "mgmt/dns/ip-name-server", "ipAddr=192.168.1.1", "DNSIpNameServerDelete", R"([{"family":1,"addr":"192.168.1.1"}])", Form::Status, 0 },
        { "server delete encoded", "DELETE", "mgmt/dns/ip-name-server", "ipAddr=2001%3Adb8%3A%3A53", "DNSIpNameServerDelete", R"([{"family":1,"addr":"0.0.0.0"}])", Form::Status, 10000 },
        { "host set", "PUT", "mgmt/dns/static-host-address-mapping", R"({"hostname":"printer","ipAddr":"192.168.1.30"})", "DNSStaticHostAddressMappingSet", R"([{"size":8,"text":"printer"},{"family":1,"addr":"192.168.1.30"}])", Form::Status, 0 },
        { "host set bare", "PUT", "mgmt/dns/static-host-address-mapping", "[1]", "DNSStaticHostAddressMappingSet", R"([{"size":1,"text":""},{"family":0,"addr":"0.0.0.0"}])", Form::Status, 10003 },
        { "host delete ipv6", "DELETE", "mgmt/dns/static-host-address-mapping", "hostname=tftp&family=ipv6", "DNSStaticHostAddressMappingDelete", R"([{"size":1,"text":""},{"size":5,"text":"tftp"},2])", Form::Status, 0 },
        { "host delete inet6", "DELETE", "mgmt/dns/static-host-address-mapping", "family=inet6&hostname=tftp", "DNSStaticHostAddressMappingDelete", R"([{"size":1,"text":""},{"size":5,"text":"tftp"},2])", Form::Status, 0 },
        { "host delete ipv4", "DELETE", "mgmt/dns/static-host-address-mapping", "hostname=tftp&family=ipv4", "DNSStaticHostAddressMappingDelete", R"([{"size":1,"text":""},{"size":5,"text":"tftp"},1])", Form::Status, 0 },
        { "host delete vrf cut", "DELETE", "mgmt/dns/static-host-address-mapping", kVrf20.c_str(), "DNSStaticHostAddressMappingDelete", kVrfCut.c_str(), Form::Status, 10000 },
        { "cache no flag", "DELETE", "mgmt/dns/client-cache-host", "vrfName=mgmt", "DNSClientCacheHostClear", R"([{"size":5,"text":"mgmt"},1,{"size":1,"text":""}])", Form::Status, 0 },
        { "cache one host", "DELETE", "mgmt/dns/client-cache-host", "isAllHosts=false&hostname=time.example.net", "DNSClientCacheHostClear", R"([{"size":1,"text":""},0,{"size":17,"text":"time.example.net"}])", Form::Status, 0 },
        { "cache host missing", "DELETE", "mgmt/dns/client-cache-host", "isAllHosts=false&hostname=nowhere", "DNSClientCacheHostClear", R"([{"size":1,"text":""},0,{"size":8,"text":"nowhere"}])", Form::Status, 10000 },
        { "lookup not json", "POST", "mgmt/dns/client-inet-name-lookup", "[", nullptr, nullptr, Form::Status, 10003 },
        { "status delete", "DELETE", "mgmt/dns/client-cache-host", nullptr, "DNSClientCacheHostClear", R"([{"size":1,"text":""},1,{"size":1,"text":""}])", Form::Status, 10011, nullptr, R"({"rpcclt_openapiDNSClientCacheHostClear":-24})" },
        { "later delete serves", "DELETE", "mgmt/dns/static-host-address-mapping", nullptr, "DNSStaticHostAddressMappingDelete", R"([{"size":1,"text":""},{"size":1,"text":""},0])", Form::Status, 0, nullptr, R"({"rpcclt_openapiDNSStaticHostAddressMappingDelete":0})" },
    };
    for (auto const& c : cases)
        check(c);
}

// Get-style requests: cursors and buffers as the switch gets them, every
// reply member from what it returns, and the cache walk's own end.
TEST_F(Dns, GetRequestsAnswerWhatTheSwitchReturns)
{
    Case const cases[] = {
        { "admin mode", "GET", "mgmt/dns/admin-mode", nullptr, "DNSAdminModeGet", "[0]", Form::Data, 0, R"({"adminMode":"enable"})" },
        { "domain", "GET", "mgmt/dns/default-domain-name", nullptr, "DNSDefaultDomainNameGet", R"([{"size":256,"text":""}])", Form::Data, 0, R"({"defaultDomainName":"localdomain"})" },
        { "name size", "GET", "mgmt/dns/domain-name-max-size", nullptr, "DNSDomainNameMaxSizeGet", "[0]", Form::Data, 0, R"({"domainNameMaxSize":255})" },
        { "label size", "GET", "mgmt/dns/domain-label-maximum-size", nullptr, "DNSDomainLabelMaximumSizeGet", "[0]", Form::Data, 0, R"({"domainLabelMaxSize":63})" },
        { "servers max", "GET", "mgmt/dns/ip-name-servers-max-supported", nullptr, "DNSIpNameServersMaxSupportedGet", "[0]", Form::Data, 0, R"({"maxNameServers":8})" },
        { "server first", "GET", "mgmt/dns/ip-name-servers-next", nullptr, "DNSIpNameServersNextGet", R"([{"family":0,"addr":"0.0.0.0"}])", Form::Data, 0, R"({"ipAddr":"192.168.1.1"})" },
        { "pref cursor", "GET", "mgmt/dns/ip-name-servers-with-pref-next", "ipAddr=192.168.1.1&preference=4294967297", "DNSIpNameServersWithPrefNextGet", R"([{"family":1,"addr":"192.168.1.1"},1])", Form::Data, 0, R"({"ipAddr":"2001:db8::53","preference":2})" },
        { "host first", "GET", "mgmt/dns/static-host-next", nullptr, "DNSStaticHostNextGet", R"([{"size":256,"text":""}])", Form::Data, 0, R"({"hostname":"syslog"})" },
        { "host address", "GET", "mgmt/dns/static-host-ip-addr", "hostname=TFTP", "DNSStaticHostIpAddrGet", R"([{"size":5,"text":"TFTP"},{"family":0,"addr":"0.0.0.0"}])", Form::Data, 0, R"({"ipAddr":"192.168.1.21"})" },
        { "host entry", "GET", "mgmt/dns/static-host-address-mapping-next", "hostname=tftp&ipAddr=192.168.1.21", "DNSStaticHostAddressMappingNextGet", R"([{"size":1,"text":""},{"size":256,"text":"tftp"},{"family":1,"addr":"192.168.1.21"}])", Form::Data, 0, R"({"hostname":"tftp","ipAddr":"2001:db8::21"})" },
        { "lookup static", "POST", "mgmt/dns/client-inet-name-lookup", R"({"HostName":"syslog"})", "DNSClientInetNameLookup", R"([{"size":7,"text":"syslog"},{"size":46,"text":""}])", Form::Data, 0, R"({"ipAddr":"192.168.1.20"})" },
        { "lookup none", "POST", "mgmt/dns/client-inet-name-lookup", "{}", "DNSClientInetNameLookup", R"([{"size":1,"text":""},{"size":46,"text":""}])", Form::Data, 10003 },
        { "cache lower n", "GET", "mgmt/dns/domain-name-entry-next", "hostname=zzz", "DnsDomainNameEntryNextGet", kZeroEntry, Form::Data, 0, R"({"domainNameEntry":{"hostName":"firmware.example.com","rrName":"cdn.example.com","rrType":5,"rrIndex":2,"rrClass":1,"ttl":300,"ttlElapsed":45,"entryType":"cname","hostAddr":"198.51.100.80"}})" },
        { "cache invalid v6", "GET", "mgmt/dns/domain-name-entry-next", "hostName=a", "DnsDomainNameEntryNextGet", R"([{"hostName":"a","rrName":"","rrType":0,"rrIndex":0,"rrClass":0,"ttl":0,"ttlElapsed":0,"entryType":0,"hostAddr":{"family":0,"addr":"0.0.0.0"}}])", Form::Data, 0, R"({"domainNameEntry":{"hostName":"b","rrName":"c","rrType":9,"rrIndex":4294967295,"rrClass":3,"ttl":4,"ttlElapsed":5,"entryType":"invalid","hostAddr":"2001:db8::1"}})", R"({"rpcclt_openapiDnsDomainNameEntryNextGet":{"out":[{"hostName":"b","rrName":"c","rrType":9,"rrIndex":4294967295,"rrClass":3,"ttl":4,"ttlElapsed":5,"entryType":2,"hostAddr":{"family":2,"addr":"2001:db8::1"}}]}})" },
        { "inet addr cut", "GET", "system/common/inet-addr", kIpStr60.c_str(), "InetAddrGet", kIpStrCut.c_str(), Form::Data, 10003 },
        { "inet addr v4", "GET", "system/common/inet-addr", "ipStr=10.1.2.3", "InetAddrGet", R"([{"size":9,"text":"10.1.2.3"},{"family":0,"addr":"0.0.0.0"}])", Form::Data, 0, R"({"ipAddr":"10.1.2.3"})" },
        { "inet max", "GET", "system/common/inet-addr-max-size", nullptr, "InetAddrMaxSizeGet", "[0]", Form::Data, 0, R"({"inetAddrMaxSize":46})" },
        { "cache -26", "GET", "mgmt/dns/domain-name-entry-next", nullptr, "DnsDomainNameEntryNextGet", kZeroEntry, Form::Data, 0, R"({"empty":true})", R"({"rpcclt_openapiDnsDomainNameEntryNextGet":-26})" },
        { "cache -29", "GET", "mgmt/dns/domain-name-entry-next", nullptr, "DnsDomainNameEntryNextGet", kZeroEntry, Form::Data, 0, R"({"empty":true})", R"({"rpcclt_openapiDnsDomainNameEntryNextGet":-29})" },
        { "cache -28", "GET", "mgmt/dns/domain-name-entry-next", nullptr, "DnsDomainNameEntryNextGet", kZeroEntry, Form::Data, 17002, nullptr, R"({"rpcclt_openapiDnsDomainNameEntryNextGet":-28})" },
    };
    for (auto const& c : cases)
        check(c);
}

// ---- the switch's tables, across processes ----

struct Reply {
    int code = -1;
    std::string data; // the "dns" object, compact
};

Reply send(char const* method, std::string const& uri, std::string const& input)
{
    std::string const out = request(method, uri, input.c_str()).out;
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
