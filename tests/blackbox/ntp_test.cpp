// The NTP routes. NtpHandlers: with the switch's results forced, the bytes a
// request hands the switch and how its answers are written back, where the
// members check (devtools/openapi) cannot tell: readers, cuts, keywords and
// reply forms. NtpSwitch: over the stand-in end to end, what one request sets
// the next one sees, tables walked in their order, values the switch refuses
// and result buffers sized by the switch's own limits.
#include "access_cases.h"

using namespace harness;
using access_cases::Exchange;
using expect::fault;

namespace {

constexpr char kBase[] = "/api/v2/mgmt/ntp/";

Result request(Exchange const& c) { return access_cases::send(kBase, c); }

// The whole output of a successful get with this data object.
std::string data(std::string const& object) { return getReply(0, "Success", "ntp", object.c_str()); }

std::string const kOkSet = setReply(0, "Success");
std::string const kNotFound = setReply(10000, "General Failed");
std::string const kEnd = getReply(10000, "General Failed");
std::string const kRefused = setReply(10003, "Invalid argument");

// Sets members of the stand-in's "ntp" section (JSON values), starting from
// its factory defaults when there is no state yet.
void seed(std::vector<std::pair<std::string, std::string>> const& members)
{
    if (!exists(kStatePath))
        request({ "GET", "version" });
    Json const root(cJSON_Parse(readFile(kStatePath).c_str()));
    cJSON* ntp = cJSON_GetObjectItemCaseSensitive(root.get(), "ntp");
    ASSERT_NE(ntp, nullptr);
    for (auto const& [key, value] : members) {
        cJSON_DeleteItemFromObjectCaseSensitive(ntp, key.c_str());
        ASSERT_TRUE(jsonAdd(ntp, key.c_str(), jsonParse(value.c_str()))) << key;
    }
    writeFile(kStatePath, JsonText(cJSON_Print(root.get())).get());
}

class NtpHandlers : public CgiTest { };

// A text descriptor of the text's own size.
std::string desc(std::string const& text) { return expect::text(text, text.size() + 1); }

// A row for each route whose call or answer NtpSwitch does not read back, and
// one for each reader, buffer and keyword table (the readers' own rules are
// their unit test's). Sets with the switch's results forced to 0.
TEST_F(NtpHandlers, RequestsHandTheSwitchTheirValuesAndRepliesWriteItsAnswer)
{
    std::string const longAddress(300, 'a');
    std::string const longKey(200, 'k');
    std::vector<Exchange> const cases = {
        { "PUT", "time", {}, R"({"offset":12})", kOkSet, expect::call("NtpTimeSet", "12"), fault("NtpTimeSet", 0) },
        { "PUT", "mode", {}, R"({"MODE":"ntp_broadcast"})", kOkSet, expect::call("NtpModeSet", "2"), fault("NtpModeSet", 0) },
        { "PUT", "source-interface", "intIfNum=7", "{not json", kOkSet, expect::call("NtpSourceInterfaceSet", "7"), fault("NtpSourceInterfaceSet", 0) },
        { "POST", "server", {}, "{\"ipAddr\":\"" + longAddress + "\"}", kOkSet, expect::call("NtpServerAdd", desc(longAddress.substr(0, 255))), fault("NtpServerAdd", 0) },
        { "DELETE", "server", "ipAddr=time%2Eexample", {}, kOkSet, expect::call("NtpServerDelete", desc("time%2Eexample")), fault("NtpServerDelete", 0) },
        { "PUT", "server-table-max-poll", {}, R"({"ntpServer":"a","interval":70000})", kOkSet, expect::call("NtpServerTableMaxPollSet", desc("a") + ",4464"), fault("NtpServerTableMaxPollSet", 0) },
        { "PUT", "server-table-version", {}, R"({"interval":3,"version":-6})", kOkSet, expect::call("NtpServerTableVersionSet", desc("") + ",0"), fault("NtpServerTableVersionSet", 0) },
        { "PUT", "server-table-auth-key", "keyIndex=9", R"({"ntpServer":"a","keyIndex":3})", kOkSet, expect::call("NtpServerTableAuthKeySet", desc("a") + ",9"), fault("NtpServerTableAuthKeySet", 0) },
        { "POST", "auth-table-key", {}, R"({"keyNumber":7,"keyValue":"k","isEncrypted":"true","msgAuthAlg":"sha256"})", kOkSet, expect::call("NtpAuthTableKeyAdd", "7," + desc("k") + ",1,3"), fault("NtpAuthTableKeyAdd", 0) },
        { "POST", "auth-table-key", {}, "{\"keyNumber\":1,\"keyValue\":\"" + longKey + "\",\"msgAuthAlg\":\"md5\"}", kOkSet, expect::call("NtpAuthTableKeyAdd", "1," + desc(longKey.substr(0, 129)) + ",0,1"), fault("NtpAuthTableKeyAdd", 0) },
        { "PUT", "auth-table-key-msg-auth-alg", {}, R"({"keyNumber":3,"msgAuthAlg":"sha1"})", kOkSet, expect::call("NtpAuthTableKeyMsgAuthAlgSet", "3,2"), fault("NtpAuthTableKeyMsgAuthAlgSet", 0) },
        // The switch's outputs or results forced: its arguments on entry are
        // the inputs and the outputs zeroed. Codes by name (the first name for
        // any code past the table), numbers and texts as they come.
        { "GET", "supported-mode", {}, {}, data(R"({"ntpSupportedMode":"ntp_supported_unicast_and_broadcast"})"), expect::call("NtpSupportedModeGet", "0"), fault("NtpSupportedModeGet", 0, "3") },
        { "GET", "version", {}, {}, data(R"({"version":4})"), expect::call("NtpVersionGet", "0"), fault("NtpVersionGet", 0, "4") },
        { "GET", "servers-max-supported", {}, {}, data(R"({"maxNtpServers":8})"), expect::call("NtpServersMaxSupportedGet", "0"), fault("NtpServersMaxSupportedGet", 0, "8") },
        { "GET", "server-max-addr-len", {}, {}, data(R"({"ntpServerAddrLen":45})"), expect::call("NtpServerMaxAddrLenGet", "0"), fault("NtpServerMaxAddrLenGet", 0, "45") },
        { "GET", "server-reference-string-length", {}, {}, data(R"({"refStrLen":16})"), expect::call("NtpServerReferenceStringLengthGet", "0"), fault("NtpServerReferenceStringLengthGet", 0, "16") },
        { "GET", "server-address-type", {}, {}, data(R"({"ntpServerAddrType":"ntp_address_unknown"})"), expect::call("NtpServerAddressTypeGet", desc("") + ",0"), fault("NtpServerAddressTypeGet", 0, "4") },
        { "GET", "active-ntp-server-mode", {}, {}, data(R"({"serverMode":"reserved"})"), expect::call("ActiveNtpServerModeGet", "0"), fault("ActiveNtpServerModeGet", 0, "8") },
        { "GET", "auth-table-key-msg-auth-alg", "keyNumber=7", {}, data(R"({"msgAuthAlg":"none"})"), expect::call("NtpAuthTableKeyMsgAuthAlgGet", "7,0"), fault("NtpAuthTableKeyMsgAuthAlgGet", 0, "4") },
        { "GET", "ent-software-name", {}, {}, data(R"({"swName":"ntpd"})"), expect::call("NtpEntSoftwareNameGet", R"({"size":256,"text":""})"), fault("NtpEntSoftwareNameGet", 0, "\"ntpd\"") },
        { "GET", "ent-status-in-pkts", {}, {}, data(R"({"inPkts":4294967295})"), expect::call("NtpEntStatusInPktsGet", "0"), fault("NtpEntStatusInPktsGet", 0, "4294967295") },
        { "GET", "ent-status-protocol-error", {}, {}, data(R"({"pErrPkts":3})"), expect::call("NtpEntStatusProtocolErrorGet", "0"), fault("NtpEntStatusProtocolErrorGet", 0, "3") },
        { "GET", "assoc-offset", "assocId=3", {}, data(R"({"assocOffset":"-0.125"})"), expect::call("NtpAssocOffsetGet", R"(3,{"size":256,"text":""})"), fault("NtpAssocOffsetGet", 0, "\"-0.125\"") },
        { "GET", "assoc-stat-protocol-error", "assocId=3", {}, data(R"({"assocProtErrPkts":1})"), expect::call("NtpAssocStatProtocolErrorGet", "3,0"), fault("NtpAssocStatProtocolErrorGet", 0, "1") },
        // A failed call answers its mapped code without data: with a line end
        // where the route sets, without one where it answers like a get.
        { "GET", "mode", {}, {}, getReply(10023, "Request api not found"), {}, fault("NtpModeGet", -29, "1") },
        { "POST", "auth-table-entry-get-next", {}, R"({"keyNum":1})", getReply(10011, "Object exist"), {}, fault("NtpAuthTableEntryGetNext", -24) },
        // The length call's result never decides the reply.
        { "GET", "server-first", {}, {}, data(R"({"ntpServer":"x"})"), {}, R"({"rpcclt_openapiNtpServerMaxAddrLenGet":-1,"rpcclt_openapiNtpServerFirstGet":{"out":["x"]}})" },
        { "GET", "assoc-id", "assocID=9", {}, data(R"({"assocID":9,"exists":true})"), {}, fault("NtpAssocIdGet", 0) },
        { "GET", "assoc-id", "assocID=9", {}, data(R"({"assocID":9,"exists":false})"), {}, fault("NtpAssocIdGet", -24) },
        { "GET", "assoc-id", "assocID=9", {}, getReply(10003, "Invalid argument"), {}, fault("NtpAssocIdGet", -22) },
        { "GET", "broadcast-delay", {}, {}, getReply(17002, "Unsupported Feature") },
        { "PUT", "vrf-name", {}, R"({"vrf":"mgmt"})", setReply(17002, "Unsupported Feature") },
        // A get-style route that reads a body refuses one that does not parse in the set form.
        { "POST", "auth-table-entry-get-next", {}, "{", setReply(10003, "Invalid argument") },
    };
    access_cases::expectExchanges(kBase, cases);
}


class NtpSwitch : public CgiTest { };

Exchange add(std::string const& address, std::string const& reply = kOkSet)
{
    return { "POST", "server", {}, "{\"ipAddr\":\"" + address + "\"}", reply };
}

TEST_F(NtpSwitch, ServersAreWalkedInTheOrderTheyWereAdded)
{
    Exchange const adds[] = { add("192.0.2.10"), add("time.example.net"), add("2001:db8::1") };
    Exchange const walk[] = {
        { "GET", "server-current-entries", {}, {}, data(R"({"currEntries":3})") },
        { "GET", "server-first", {}, {}, data(R"({"ntpServer":"192.0.2.10"})") },
        { "GET", "server-next", "ntpServer=192.0.2.10", {}, data(R"({"nextNtpServer":"time.example.net"})") },
        { "GET", "server-next", "ntpServer=TIME.example.net", {}, data(R"({"nextNtpServer":"2001:db8::1"})") },
        { "GET", "server-next", "ntpServer=2001:db8::1", {}, kEnd },
        { "GET", "server-next", "ntpServer=198.51.100.1", {}, kEnd },
        { "GET", "server-address-type", "ntpServer=192.0.2.10", {}, data(R"({"ntpServerAddrType":"ntp_address_ipv4"})") },
        { "GET", "server-address-type", "ntpServer=time.example.net", {}, data(R"({"ntpServerAddrType":"ntp_address_dns"})") },
        { "GET", "server-address-type", "ntpServer=2001:db8::1", {}, data(R"({"ntpServerAddrType":"ntp_address_ipv6"})") },
    };
    access_cases::expectExchanges(kBase, adds);
    access_cases::expectExchanges(kBase, walk);
    // The same servers, an address written with an escape: read by the
    // section's whole parse instead of one row at a time.
    std::string state = readFile(kStatePath);
    for (size_t at = 0; (at = state.find("time.example.net\"", at)) != std::string::npos;)
        state.replace(at, 17, "time.example.ne\\u0074\"");
    writeFile(kStatePath, state);
    SCOPED_TRACE("an escape in the table");
    access_cases::expectExchanges(kBase, walk);
    Exchange const deletes[] = {
        { "DELETE", "server", "ipAddr=time.example.net", {}, kOkSet },
        { "DELETE", "server", "ipAddr=time.example.net", {}, kNotFound },
        { "GET", "server-next", "ntpServer=192.0.2.10", {}, data(R"({"nextNtpServer":"2001:db8::1"})") },
        { "GET", "server-address-type", "ntpServer=time.example.net", {}, kEnd },
    };
    access_cases::expectExchanges(kBase, deletes);
}

TEST_F(NtpSwitch, ServerAddRefusesWhatTheSwitchWouldNot)
{
    Exchange const steps[] = {
        { "GET", "server-first", {}, {}, kEnd }, // an empty list
        add("192.0.2.10"), add("192.0.2.10", setReply(10011, "Object exist")),
        add("999.0.2.1", kRefused), add("2001:db8::g", kRefused), add("bad name", kRefused), add("-bad.example", kRefused), add("", kRefused),
    };
    access_cases::expectExchanges(kBase, steps);
    seed({ { "serversMax", "1" } });
    EXPECT_EQ(request(add("192.0.2.11")).out, kNotFound);
    seed({ { "serversMax", "2" }, { "serverAddrLenMax", "12" } });
    EXPECT_EQ(request(add("ntp.example.net")).out, kRefused); // longer than the switch takes
    EXPECT_EQ(request({ "GET", "server-current-entries" }).out, data(R"({"currEntries":1})"));
}

TEST_F(NtpSwitch, PerServerSettingsAreKeptPerServerWithinRange)
{
    Exchange const servers[] = { add("192.0.2.10"), add("192.0.2.11") };
    access_cases::expectExchanges(kBase, servers);
    struct {
        std::string resource;
        std::string factory; // the reply before any change
        std::string good; // body members (after "ntpServer") or, for the key, the query
        std::string after; // the reply after it
        std::string bad; // a value out of the switch's range
    } const cases[] = {
        { "server-table-max-poll", R"({"interval":10})", R"("interval":12)", R"({"interval":12})", R"("interval":18)" },
        { "server-table-min-poll", R"({"interval":6})", R"("interval":4)", R"({"interval":4})", R"("interval":13)" },
        { "server-table-prefer", R"({"prefer":"false"})", R"("prefer":"true")", R"({"prefer":"true"})", "" },
        { "server-table-burst", R"({"burst":"false"})", R"("burst":"true")", R"({"burst":"true"})", "" },
        { "server-table-iburst", R"({"iburst":"false"})", R"("iburst":"true")", R"({"iburst":"true"})", "" },
        { "server-table-version", R"({"version":4})", R"("version":3)", R"({"version":3})", R"("version":5)" },
        { "server-table-auth-key", R"({"keyIndex":0})", "keyIndex=5", R"({"keyIndex":5})", "keyIndex=65536" },
    };
    auto set = [](auto const& c, std::string const& server, std::string const& value) {
        bool const byQuery = c.resource == "server-table-auth-key";
        std::string const members = "\"ntpServer\":\"" + server + "\"" + (byQuery ? "" : "," + value);
        return request({ "PUT", c.resource, byQuery ? value : "", "{" + members + "}" }).out;
    };
    auto get = [](auto const& c, std::string const& server) {
        return request({ "GET", c.resource, "ntpServer=" + server }).out;
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.resource);
        EXPECT_EQ(get(c, "192.0.2.10"), data(c.factory));
        EXPECT_EQ(set(c, "192.0.2.10", c.good), kOkSet);
        EXPECT_EQ(get(c, "192.0.2.10"), data(c.after));
        EXPECT_EQ(get(c, "192.0.2.11"), data(c.factory));
        if (!c.bad.empty()) {
            EXPECT_EQ(set(c, "192.0.2.10", c.bad), kRefused);
            EXPECT_EQ(get(c, "192.0.2.10"), data(c.after));
        }
        EXPECT_EQ(set(c, "198.51.100.1", c.good), kNotFound);
        EXPECT_EQ(get(c, "198.51.100.1"), kEnd);
    }
}

TEST_F(NtpSwitch, GlobalSettingsAreSeenByTheNextRequest)
{
    struct {
        Exchange set;
        std::string before, after;
    } const cases[] = {
        { { "PUT", "mode", {}, R"({"mode":"ntp_broadcast"})" }, R"({"ntpMode":"ntp_disabled"})", R"({"ntpMode":"ntp_broadcast"})" },
        { { "PUT", "authentication-mode", {}, R"({"mode":"true"})" }, R"({"mode":"false"})", R"({"mode":"true"})" },
        { { "PUT", "broadcast-client-mode", {}, R"({"mode":"enable"})" }, R"({"ntpMode":"disable"})", R"({"ntpMode":"enable"})" },
        { { "PUT", "source-interface", "intIfNum=7" }, R"({"intIfNum":0})", R"({"intIfNum":7})" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.set.resource);
        EXPECT_EQ(request({ "GET", c.set.resource }).out, data(c.before));
        EXPECT_EQ(request(c.set).out, kOkSet);
        EXPECT_EQ(request({ "GET", c.set.resource }).out, data(c.after));
    }
    EXPECT_EQ(request({ "PUT", "source-interface", "intIfNum=65" }).out, kRefused);
    seed({ { "supportedMode", "1" } });
    EXPECT_EQ(request({ "PUT", "mode", {}, R"({"mode":"ntp_broadcast"})" }).out, setReply(17002, "Unsupported Feature"));
    EXPECT_EQ(request({ "GET", "mode" }).out, data(R"({"ntpMode":"ntp_broadcast"})"));
}

TEST_F(NtpSwitch, KeysAreWalkedInKeyNumberOrder)
{
    Exchange const steps[] = {
        { "GET", "auth-table-entry-first", {}, {}, kEnd },
        { "POST", "auth-table-key", {}, R"({"keyNumber":7,"keyValue":"seven","msgAuthAlg":"md5"})", kOkSet },
        { "POST", "auth-table-key", {}, R"({"keyNumber":12,"keyValue":"0a1b","isEncrypted":"true","msgAuthAlg":"sha1"})", kOkSet },
        { "POST", "auth-table-key", {}, R"({"keyNumber":3,"keyValue":"three","msgAuthAlg":"sha256"})", kOkSet },
        { "POST", "auth-table-key", {}, R"({"keyNumber":3,"keyValue":"again","msgAuthAlg":"md5"})", setReply(10011, "Object exist") },
        { "POST", "auth-table-key", {}, R"({"keyNumber":4,"keyValue":"four"})", kRefused }, // no algorithm
        { "POST", "auth-table-key", {}, R"({"keyNumber":0,"keyValue":"zero","msgAuthAlg":"md5"})", kRefused }, // no key 0
        { "POST", "auth-table-key", {}, R"({"keyNumber":4,"msgAuthAlg":"md5"})", kRefused }, // no value
        { "POST", "auth-table-key", {}, R"({"keyNumber":4,"keyValue":"xyz","isEncrypted":"true","msgAuthAlg":"md5"})", kRefused }, // not encrypted
        { "GET", "auth-table-entry-first", {}, {}, data(R"({"keyNumber":3})") },
        { "POST", "auth-table-entry-get-next", {}, R"({"keyNum":3})", data(R"({"nextKeyNum":7})") },
        { "POST", "auth-table-entry-get-next", {}, R"({"keyNum":7})", data(R"({"nextKeyNum":12})") },
        { "POST", "auth-table-entry-get-next", {}, R"({"keyNum":12})", kEnd },
        { "DELETE", "auth-table-key", "keyNumber=7", {}, kOkSet },
        { "DELETE", "auth-table-key", "keyNumber=7", {}, kNotFound },
        { "POST", "auth-table-entry-get-next", {}, R"({"keyNum":3})", data(R"({"nextKeyNum":12})") },
        { "GET", "auth-table-key-value", "keyNumber=12", {}, data(R"({"keyValue":"0a1b"})") },
        { "GET", "auth-table-key-msg-auth-alg", "keyNumber=3", {}, data(R"({"msgAuthAlg":"sha256"})") },
        { "GET", "auth-table-key-trusted", "keyNumber=3", {}, data(R"({"trustedStatus":"false"})") },
        { "PUT", "auth-table-key-value", {}, R"({"keyNumber":3,"keyValue":"new"})", kOkSet },
        { "PUT", "auth-table-key-msg-auth-alg", {}, R"({"keyNumber":3,"msgAuthAlg":"sha1"})", kOkSet },
        { "PUT", "auth-table-key-trusted", {}, R"({"keyNumber":3,"trustedStatus":"true"})", kOkSet },
        { "GET", "auth-table-key-value", "keyNumber=3", {}, data(R"({"keyValue":"new"})") },
        { "GET", "auth-table-key-msg-auth-alg", "keyNumber=3", {}, data(R"({"msgAuthAlg":"sha1"})") },
        { "GET", "auth-table-key-trusted", "keyNumber=3", {}, data(R"({"trustedStatus":"true"})") },
        { "PUT", "auth-table-key-msg-auth-alg", {}, R"({"keyNumber":3,"msgAuthAlg":"none"})", kRefused },
        { "PUT", "auth-table-key-trusted", {}, R"({"keyNumber":99,"trustedStatus":"true"})", kNotFound },
        { "GET", "auth-table-key-value", "keyNumber=99", {}, kEnd },
    };
    access_cases::expectExchanges(kBase, steps);
}

TEST_F(NtpSwitch, AssociationsFollowTheConfiguredServers)
{
    Exchange const steps[] = {
        { "GET", "assoc-id-next", {}, {}, kEnd },
        add("192.0.2.10"),
        add("time.example.net"),
        { "GET", "assoc-id-next", {}, {}, data(R"({"nextAssocID":1})") },
        { "GET", "assoc-id", "assocID=2", {}, data(R"({"assocID":2,"exists":true})") },
        { "GET", "assoc-name", "assocId=2", {}, data(R"({"assocName":"time.example.net"})") },
        { "GET", "assoc-address-type", "assocId=2", {}, data(R"({"assocAddrType":"ntp_address_dns"})") },
        { "GET", "assoc-ref-id", "assocId=1", {}, data(R"({"assocRefId":"INIT"})") },
        { "GET", "assoc-stratum", "assocId=1", {}, data(R"({"assocStratum":16})") },
        { "GET", "assoc-status-jitter", "assocId=1", {}, data(R"({"assocJitter":"0.000"})") },
        { "POST", "notify-peer-list", {}, R"({"assocList":"1,2"})", kOkSet },
        { "POST", "notify-peer-list", {}, R"({"assocList":"1,,2"})", kRefused },
        { "DELETE", "server", "ipAddr=192.0.2.10", {}, kOkSet },
        { "GET", "assoc-id", "assocID=1", {}, data(R"({"assocID":1,"exists":false})") },
        { "GET", "assoc-id-next", {}, {}, data(R"({"nextAssocID":2})") },
        { "GET", "assoc-name", "assocId=1", {}, kEnd },
        { "POST", "notify-peer-list", {}, R"({"assocList":"1"})", kNotFound },
        add("192.0.2.10"), // a new association, never the old identifier
        { "GET", "assoc-id", "assocID=3", {}, data(R"({"assocID":3,"exists":true})") },
    };
    access_cases::expectExchanges(kBase, steps);
}

// The active server as a synchronised switch reports it, seeded into the state.
constexpr char kSyncedServer[] = R"([{"address":"2001:db8::123","addressType":2,"association":{"id":4,
    "address":"2001:db8::123","addressType":2,"refId":"203.0.113.5","stratum":2,"mode":4}}])";

TEST_F(NtpSwitch, ActiveServerIsReportedOnlyWhileSynchronised)
{
    seed({ { "servers", kSyncedServer }, { "activeServer", "\"2001:db8::123\"" } });
    EXPECT_EQ(request({ "GET", "active-ntp-server-stratum" }).out, kEnd); // the client is disabled
    seed({ { "mode", "1" } });
    Exchange const steps[] = {
        { "GET", "active-ntp-server-ip-address", {}, {}, data(R"({"ntpServer":"2001:db8::123"})") },
        { "GET", "active-ntp-server-address-type", {}, {}, data(R"({"type":"ntp_address_ipv6"})") },
        { "GET", "active-ntp-server-stratum", {}, {}, data(R"({"stratum":2})") },
        { "GET", "active-ntp-server-reference-id", {}, {}, data(R"({"reference":"203.0.113.5"})") },
        { "GET", "active-ntp-server-mode", {}, {}, data(R"({"serverMode":"server"})") },
        { "DELETE", "server", "ipAddr=2001:db8::123", {}, kOkSet },
        { "GET", "active-ntp-server-mode", {}, {}, kEnd },
    };
    access_cases::expectExchanges(kBase, steps);
}

// A limit L of 1 to 255 gives a descriptor of L + 1; any other, the whole
// 256-byte buffer. A switch that cuts to its limit answers the cut text.
TEST_F(NtpSwitch, ResultDescriptorsAreSizedByTheSwitchsLimits)
{
    seed({ { "servers", kSyncedServer }, { "activeServer", "\"2001:db8::123\"" }, { "mode", "1" } });
    constexpr struct {
        char const* member; // the switch's limit in the state
        char const* limit;
        char const* resource;
        int size; // the result descriptor's size
    } kCases[] = {
        { "serverAddrLenMax", "0", "server-first", 256 },
        { "serverAddrLenMax", "300", "server-first", 256 },
        { "serverAddrLenMax", "5", "server-first", 6 },
        { "serverAddrLenMax", "45", "server-next", 46 },
        { "serverAddrLenMax", "5", "active-ntp-server-ip-address", 6 },
        { "referenceStringLength", "4", "active-ntp-server-reference-id", 5 },
        { "referenceStringLength", "256", "active-ntp-server-reference-id", 256 },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(std::string(c.resource) + " " + c.member + "=" + c.limit);
        seed({ { c.member, c.limit } });
        clearTrace();
        Result r = request({ "GET", c.resource, "ntpServer=2001:db8::9" });
        std::vector<std::string> calls = handlerCalls();
        ASSERT_EQ(calls.size(), 2u);
        std::string const size = "{\"size\":" + std::to_string(c.size) + ",\"text\":\"\"}]}";
        EXPECT_EQ(calls[1].substr(calls[1].size() - size.size()), size);
        if (c.size < 20) {
            EXPECT_NE(r.out.find(c.size == 5 ? "\"203.\"" : "\"2001:\""), std::string::npos) << r.out;
        }
    }
    clearTrace();
    request({ "GET", "server-first", {}, {}, {}, {}, fault("NtpServerMaxAddrLenGet", -1, "45") });
    EXPECT_EQ(handlerCalls().back(), R"({"call":"rpcclt_openapiNtpServerFirstGet","args":[{"size":256,"text":""}]})");
}

} // namespace
