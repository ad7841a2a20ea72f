// Ping: members become the call's arguments in order, uncut and with their
// defaults; the text the switch wrote comes back under "ping", and a failed
// run answers with the status only.
#include "access_cases.h"

using namespace access_cases;

namespace {

constexpr char kBase[] = "/api/v2/mgmt/ping/";

#define OUT R"({"size":2048,"text":""})"
#define NONE R"({"size":1,"text":""})"
#define V4 R"({"size":9,"text":"10.1.1.1"})"

constexpr CallCase kCallCases[] = {
    { "empty object", "POST", "address", "{}", R"({"call":"rpcclt_openapiPingAddress","args":[)" NONE "," OUT "]}" },
    { "count", "POST", "address-with-count", R"({"address":"10.1.1.1","pingCount":5})",
      R"({"call":"rpcclt_openapiPingAddressWithCount","args":[)" V4 ",5," OUT "]}" },
    { "interval", "POST", "address-with-interval", R"({"pingInterval":2,"pingCount":9})",
      R"({"call":"rpcclt_openapiPingAddressWithInterval","args":[)" NONE ",2," OUT "]}" },
    { "size", "POST", "address-with-pdu-size", R"({"pingSize":1400})",
      R"({"call":"rpcclt_openapiPingAddressWithPDUSize","args":[)" NONE ",1400," OUT "]}" },
    { "network port keyword", "POST", "address-with-source-interface",
      R"({"srcIntf":"ping_source_intf_network_port"})",
      R"({"call":"rpcclt_openapiPingAddressWithSourceInterface","args":[)" NONE ",1," OUT "]}" },
    { "explicit defaults", "POST", "address-explicit", "{}",
      R"({"call":"rpcclt_openapiPingAddressExplicit","args":[)" NONE ",0,0,0,0," OUT "]}" },
    { "explicit in call order", "POST", "address-explicit",
      R"({"srcIntf":"ping_source_intf_network_port","pingSize":3,"pingInterval":2,"pingCount":1,"address":"10.1.1.1"})",
      R"({"call":"rpcclt_openapiPingAddressExplicit","args":[)" V4 ",1,2,3,1," OUT "]}" },
    { "with source", "POST", "with-source",
      R"({"srcAddr":"fd00::2","srcIntf":7,"srcType":"ping_source_address","address":"2001:db8::1","family":"inet6","vrfName":"mgmt"})",
      R"({"call":"rpcclt_openapiPingWithSource","args":[{"size":5,"text":"mgmt"},2,{"size":12,"text":"2001:db8::1"},3,7,{"size":8,"text":"fd00::2"},)" OUT "]}" },
    { "with source, keywords elsewhere", "POST", "with-source",
      R"({"srcIntf":"ping_source_intf_network_port","family":"INET","srcType":"traceroute_source_address"})",
      R"({"call":"rpcclt_openapiPingWithSource","args":[)" NONE ",0," NONE ",4,0," NONE "," OUT "]}" },
    { "ping takes intIfNum from the query", "POST", "ping",
      R"({"family":"inet","address":"10.1.1.1","pingCount":4,"pingInterval":5,"pingSize":6,"srcType":"ping_source_ip_port","srcIntf":9})",
      R"({"call":"rpcclt_openapiPing","args":[)" NONE ",1," V4 ",4,5,6,2,12," NONE "," OUT "]}", "intIfNum=12" },
    { "no query", "POST", "ping", R"({"srcType":"ping_source_service_port"})",
      R"({"call":"rpcclt_openapiPing","args":[)" NONE ",0," NONE ",0,0,0,0,0," NONE "," OUT "]}" },
};

#undef OUT
#undef NONE
#undef V4

class Ping : public CgiTest {};

TEST_F(Ping, MembersBecomeTheCallsArgumentsInOrder)
{
    expectCalls(kBase, kCallCases);
}

// The tree's own string goes to the switch: nothing is cut.
TEST_F(Ping, LongAddressGoesUncut)
{
    std::string const address(3000, 'a');
    post(std::string(kBase) + "address", R"({"address":")" + address + "\"}");
    EXPECT_EQ(handlerCalls(), std::vector<std::string> { R"({"call":"rpcclt_openapiPingAddress","args":[{"size":3001,"text":")"
                                                         + address + R"("},{"size":2048,"text":""}]})" });
}

constexpr ReplyCase kReplyCases[] = {
    { "output relayed", "POST", "address", "{}", 0, R"({"output":"PING x\nline\n"})",
      R"({"rpcclt_openapiPingAddress":{"out":["PING x\nline\n"]}})" },
    { "refused", "POST", "address-explicit", "{}", 10003, nullptr, R"({"rpcclt_openapiPingAddressExplicit":-22})" },
};

// The output, or the status only; an unparsable body makes no call; the
// output is read within its buffer.
TEST_F(Ping, AnswersInTheirForms)
{
    expectReplies(kBase, "ping", kReplyCases);
    expectRefusedWithoutCall(std::string(kBase) + "ping", { "", "{", "{} x", "nul" });
    expectOutputWithin(std::string(kBase) + "address", "rpcclt_openapiPingAddress", "ping", 2048);
}

// The stand-in over a network of its own: one network port, one routing port,
// a subnet behind a router, a host beside the switch, and a silent subnet.
constexpr char kNetwork[] = R"({"diag":{"vrfs":["blue"],
  "ports":[{"kind":"network-port","intIfNum":0,"inet":"10.9.0.2","inet6":""},
           {"kind":"ip-port","intIfNum":7,"inet":"10.7.0.1","inet6":""}],
  "destinations":[{"prefix":"10.9.0.0/16","path":[{"address":"10.9.0.1","rttMs":1}],"rttMs":2},
                  {"prefix":"10.9.9.0/24","path":[],"rttMs":0.5},
                  {"prefix":"10.8.0.0/16","path":[{"address":"10.9.0.1","rttMs":1}],"rttMs":0,"answers":false}]}})";

constexpr char kReply[] = " bytes from ";

constexpr RunCase kRunCases[] = {
    { "routed host", "address", R"({"address":"10.9.1.1"})", 0, "64 bytes from 10.9.1.1: icmp_seq=3 ttl=63 time=2.",
      kReply, 3 },
    { "longest prefix, beside the switch", "address", R"({"address":"10.9.9.9"})", 0, "ttl=64", kReply, 3 },
    { "count", "address-with-count", R"({"address":"10.9.1.1","pingCount":5})", 0,
      "5 packets transmitted, 5 received, 0% packet loss", kReply, 5 },
    { "size", "address-with-pdu-size", R"({"address":"10.9.1.1","pingSize":100})", 0,
      "PING 10.9.1.1 (10.9.1.1) 100(128) bytes", "108 bytes from", 3 },
    { "interval and source", "address-explicit",
      R"({"address":"10.9.1.1","pingCount":2,"pingInterval":4,"srcIntf":"ping_source_intf_network_port"})", 0,
      "from 10.9.0.2 : 56(84)", "time 4002ms", 1 },
    { "silent subnet", "address", R"({"address":"10.8.1.1"})", 0,
      "3 packets transmitted, 0 received, 100% packet loss", kReply, 0 },
    { "routing port source", "ping", R"({"vrfName":"blue","address":"10.9.1.1","srcType":"ping_source_ip_port"})", 0,
      "from 10.7.0.1 : ", kReply, 3, "intIfNum=7" },
    { "own address as source", "with-source",
      R"({"address":"10.9.1.1","srcType":"ping_source_address","srcAddr":"10.7.0.1"})", 0, "from 10.7.0.1 : ", kReply, 3 },
    { "own address", "address", R"({"address":"10.7.0.1"})", 0, "64 bytes from 10.7.0.1: icmp_seq=1 ttl=64 time=0.0",
      kReply, 3 },
    { "no route", "address", R"({"address":"10.10.1.1"})", 0, "ping: connect: Network is unreachable\n", kReply, 0 },
    { "not an address", "address", R"({"address":"10.9.1"})", 10003 },
    { "count too high", "address-with-count", R"({"address":"10.9.1.1","pingCount":16})", 10003 },
    { "service port has no address here", "address-with-source-interface", R"({"address":"10.9.1.1"})", 10003 },
    { "unknown routing port", "ping", R"({"address":"10.9.1.1","srcType":"ping_source_ip_port"})", 10003, "", "", 0,
      "intIfNum=8" },
    { "foreign source address", "with-source",
      R"({"address":"10.9.1.1","srcType":"ping_source_address","srcAddr":"10.7.0.2"})", 10003 },
    { "unknown vrf", "with-source", R"({"vrfName":"red","address":"10.9.1.1"})", 10003 },
    { "family against the address", "with-source", R"({"family":"inet6","address":"10.9.1.1"})", 10003 },
};

TEST_F(Ping, StandInRunsOverItsNetwork)
{
    seedState(kNetwork);
    expectRuns(kBase, "ping", kRunCases, false);
}

} // namespace
