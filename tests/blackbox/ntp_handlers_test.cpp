// The NTP handlers: the bytes each request hands the switch, how the
// switch's answers are written back, and every reply form on failure. The
// switch's results are forced here, so only the handlers are under test.
#include "ntp_support.h"

using namespace ntp_test;

namespace {

class NtpHandlers : public CgiTest { };

// A text descriptor of the text's own size.
std::string desc(std::string const& text) { return expect::text(text, text.size() + 1); }

struct SetCase {
    Call call;
    std::string name; // the switch call
    std::string args; // its arguments as they reach the switch
    bool readsBody = true;
};

// Each route's members through its readers (whose rules are their unit
// test's): one row shows which reader and which buffer a route uses. A body
// that is not one JSON value is refused before any switch call, with a line
// end, on every route that reads one.
TEST_F(NtpHandlers, SetRequestsHandTheSwitchTheConvertedValues)
{
    std::string const longAddress(300, 'a');
    std::string const longKey(200, 'k');
    std::vector<SetCase> const cases = {
        { { "PUT", "time", {}, R"({"offset":12})" }, "NtpTimeSet", "12" },
        { { "PUT", "mode", {}, R"({"MODE":"ntp_broadcast"})" }, "NtpModeSet", "2" },
        { { "PUT", "authentication-mode", {}, R"({"mode":"true"})" }, "NtpAuthenticationModeSet", "1" },
        { { "PUT", "broadcast-client-mode", {}, R"({"mode":"enable"})" }, "NtpBroadcastClientModeSet", "1" },
        { { "PUT", "source-interface", "intIfNum=7", "{not json" }, "NtpSourceInterfaceSet", "7", false },
        { { "POST", "server", {}, "{\"ipAddr\":\"" + longAddress + "\"}" }, "NtpServerAdd", desc(longAddress.substr(0, 255)) },
        { { "DELETE", "server", "ipAddr=time%2Eexample" }, "NtpServerDelete", desc("time%2Eexample") },
        { { "PUT", "server-table-max-poll", {}, R"({"ntpServer":"a","interval":70000})" }, "NtpServerTableMaxPollSet", desc("a") + ",4464" },
        { { "PUT", "server-table-version", {}, R"({"interval":3,"version":-6})" }, "NtpServerTableVersionSet", desc("") + ",0" },
        { { "PUT", "server-table-iburst", {}, R"({"ntpServer":"a","iburst":"true"})" }, "NtpServerTableIBurstSet", desc("a") + ",1" },
        { { "PUT", "server-table-auth-key", "keyIndex=9", R"({"ntpServer":"a","keyIndex":3})" }, "NtpServerTableAuthKeySet", desc("a") + ",9" },
        { { "POST", "auth-table-key", {}, R"({"keyNumber":7,"keyValue":"k","isEncrypted":"true","msgAuthAlg":"sha256"})" }, "NtpAuthTableKeyAdd", "7," + desc("k") + ",1,3" },
        { { "POST", "auth-table-key", {}, "{\"keyNumber\":1,\"keyValue\":\"" + longKey + "\",\"msgAuthAlg\":\"md5\"}" }, "NtpAuthTableKeyAdd", "1," + desc(longKey.substr(0, 129)) + ",0,1" },
        { { "DELETE", "auth-table-key", "keyNumber=12" }, "NtpAuthTableKeyDelete", "12" },
        { { "PUT", "auth-table-key-value", {}, R"({"keyNumber":3,"keyValue":"abc","isEncrypted":"false"})" }, "NtpAuthTableKeyValueSet", "3," + desc("abc") + ",0" },
        { { "PUT", "auth-table-key-msg-auth-alg", {}, R"({"keyNumber":3,"msgAuthAlg":"sha1"})" }, "NtpAuthTableKeyMsgAuthAlgSet", "3,2" },
        { { "PUT", "auth-table-key-trusted", {}, R"({"keyNumber":3,"trustedStatus":"true"})" }, "NtpAuthTableKeyTrustedSet", "3,1" },
        { { "POST", "notify-peer-list", {}, R"({"assocList":"1,2"})" }, "NtpNotifyPeerList", desc("1,2") },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.call.method + " " + c.call.resource + " " + c.call.body.value_or(c.call.query.value_or("")));
        clearTrace();
        Call call = c.call;
        call.faults = fault(c.name, 0);
        EXPECT_EQ(request(call).out, kOkSet);
        EXPECT_EQ(handlerCalls(), std::vector<std::string> { expect::call(c.name, c.args) });
        if (c.readsBody && call.body) {
            clearTrace();
            call.body = "{} {}";
            EXPECT_EQ(request(call).out, setReply(10003, "Invalid argument"));
            EXPECT_TRUE(handlerCalls().empty());
        }
    }
}

struct GetCase {
    Call call;
    std::string name; // the switch call
    std::string args; // its arguments on entry: inputs, and outputs zeroed
    std::string out; // what the switch writes
    std::string data; // the reply's data object
};

// Codes by name (the first name for any code past the table), flags as
// "true"/"false" strings, numbers and texts as they come. Routes the stand-in
// answers end to end (NtpSwitch) are not repeated here.
TEST_F(NtpHandlers, GetRepliesWriteTheSwitchsAnswer)
{
    std::vector<GetCase> const cases = {
        { { "GET", "supported-mode" }, "NtpSupportedModeGet", "0", "3", R"({"ntpSupportedMode":"ntp_supported_unicast_and_broadcast"})" },
        { { "GET", "version" }, "NtpVersionGet", "0", "4", R"({"version":4})" },
        { { "GET", "servers-max-supported" }, "NtpServersMaxSupportedGet", "0", "8", R"({"maxNtpServers":8})" },
        { { "GET", "server-max-addr-len" }, "NtpServerMaxAddrLenGet", "0", "45", R"({"ntpServerAddrLen":45})" },
        { { "GET", "server-reference-string-length" }, "NtpServerReferenceStringLengthGet", "0", "16", R"({"refStrLen":16})" },
        { { "GET", "server-address-type" }, "NtpServerAddressTypeGet", desc("") + ",0", "4", R"({"ntpServerAddrType":"ntp_address_unknown"})" },
        { { "GET", "active-ntp-server-mode" }, "ActiveNtpServerModeGet", "0", "8", R"({"serverMode":"reserved"})" },
        { { "GET", "auth-table-key-msg-auth-alg", "keyNumber=7" }, "NtpAuthTableKeyMsgAuthAlgGet", "7,0", "4", R"({"msgAuthAlg":"none"})" },
        { { "POST", "auth-table-entry-get-next", {}, R"({"keyNumber":5})" }, "NtpAuthTableEntryGetNext", "0,0", "9", R"({"nextKeyNum":9})" },
        { { "GET", "ent-software-name" }, "NtpEntSoftwareNameGet", R"({"size":256,"text":""})", "\"ntpd\"", R"({"swName":"ntpd"})" },
        { { "GET", "ent-status-in-pkts" }, "NtpEntStatusInPktsGet", "0", "4294967295", R"({"inPkts":4294967295})" },
        { { "GET", "ent-status-protocol-error" }, "NtpEntStatusProtocolErrorGet", "0", "3", R"({"pErrPkts":3})" },
        { { "GET", "assoc-id-next", "assocId=5" }, "NtpAssocIdNextGet", "0", "7", R"({"nextAssocID":7})" },
        { { "GET", "assoc-name", "assocID=3" }, "NtpAssocNameGet", R"(0,{"size":256,"text":""})", "\"peer\"", R"({"assocName":"peer"})" },
        { { "GET", "assoc-offset", "assocId=3" }, "NtpAssocOffsetGet", R"(3,{"size":256,"text":""})", "\"-0.125\"", R"({"assocOffset":"-0.125"})" },
        { { "GET", "assoc-stat-protocol-error", "assocId=3" }, "NtpAssocStatProtocolErrorGet", "3,0", "1", R"({"assocProtErrPkts":1})" },
    };
    seed({ { "referenceStringLength", "16" } });
    for (auto const& c : cases) {
        SCOPED_TRACE(c.call.resource + " " + c.out);
        clearTrace();
        Call call = c.call;
        call.faults = fault(c.name, 0, c.out);
        EXPECT_EQ(request(call).out, data(c.data));
        ASSERT_FALSE(handlerCalls().empty());
        EXPECT_EQ(handlerCalls().back(), expect::call(c.name, c.args));
    }
}

// A failed call answers its mapped code without data: with a line end where
// the route sets, without one where it answers like a get.
TEST_F(NtpHandlers, FailuresAnswerInTheRoutesReplyForm)
{
    std::vector<Step> const steps = {
        { { "GET", "mode", {}, {}, fault("NtpModeGet", -29, "1") }, getReply(10023, "Request api not found") },
        { { "POST", "auth-table-entry-get-next", {}, R"({"keyNum":1})", fault("NtpAuthTableEntryGetNext", -24) }, getReply(10011, "Object exist") },
        // The length call's result never decides the reply.
        { { "GET", "server-first", {}, {}, R"({"rpcclt_openapiNtpServerMaxAddrLenGet":-1,"rpcclt_openapiNtpServerFirstGet":{"out":["x"]}})" }, data(R"({"ntpServer":"x"})") },
        { { "GET", "assoc-id", "assocID=9", {}, fault("NtpAssocIdGet", 0) }, data(R"({"assocID":9,"exists":true})") },
        { { "GET", "assoc-id", "assocID=9", {}, fault("NtpAssocIdGet", -24) }, data(R"({"assocID":9,"exists":false})") },
        { { "GET", "assoc-id", "assocID=9", {}, fault("NtpAssocIdGet", -22) }, getReply(10003, "Invalid argument") },
        { { "GET", "broadcast-delay" }, getReply(17002, "Unsupported Feature") },
        { { "PUT", "vrf-name", {}, R"({"vrf":"mgmt"})" }, setReply(17002, "Unsupported Feature") },
        // A get-style route that reads a body refuses one that does not parse in the set form.
        { { "POST", "auth-table-entry-get-next", {}, "{" }, setReply(10003, "Invalid argument") },
    };
    expectSteps(steps);
}

} // namespace
