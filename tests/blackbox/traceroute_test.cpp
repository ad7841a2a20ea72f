// Traceroute: members are copied and cut into fixed buffers, numbers keep
// their own defaults when missing, the sourced variants answer into 1024
// bytes, and every reply but an unparsable body's has no line end.
#include "access_cases.h"

using namespace access_cases;

namespace {

constexpr char kBase[] = "/api/v2/mgmt/traceroute/";

#define OUT R"({"size":4096,"text":""})"
#define OUT_SHORT R"({"size":1024,"text":""})"
#define NONE R"({"size":1,"text":""})"
#define V4 R"({"size":9,"text":"10.1.1.1"})"

constexpr CallCase kCallCases[] = {
    { "count default", "POST", "address-with-count", R"({"address":"10.1.1.1"})",
      R"({"call":"rpcclt_openapiTracerouteAddressWithCount","args":[)" V4 ",3," OUT "]}" },
    { "interval", "POST", "address-with-interval", R"({"TRACEROUTEINTERVAL":4})",
      R"({"call":"rpcclt_openapiTracerouteAddressWithInterval","args":[)" NONE ",4," OUT "]}" },
    { "ttl defaults", "POST", "address-with-ttl", "{}",
      R"({"call":"rpcclt_openapiTracerouteAddressWithTtl","args":[)" NONE ",1,30," OUT "]}" },
    { "max fail", "POST", "address-with-max-fail", R"({"tracerouteMaxFail":7})",
      R"({"call":"rpcclt_openapiTracerouteAddressWithMaxFail","args":[)" NONE ",7," OUT "]}" },
    { "size", "POST", "address-with-pdu-size", R"({"tracerouteSize":70000})",
      R"({"call":"rpcclt_openapiTracerouteAddressWithPDUSize","args":[)" NONE ",70000," OUT "]}" },
    { "udp port", "POST", "address-with-udp-port", R"({"tracerouteUdpPort":33434})",
      R"({"call":"rpcclt_openapiTracerouteAddressWithUdpPort","args":[)" NONE ",33434," OUT "]}" },
    { "network port keyword", "POST", "address-with-source-interface",
      R"({"srcIntf":"traceroute_source_intf_network_port"})",
      R"({"call":"rpcclt_openapiTracerouteAddressWithSourceInterface","args":[)" NONE ",1," OUT "]}" },
    { "explicit defaults", "POST", "address-explicit", "{}",
      R"({"call":"rpcclt_openapiTracerouteAddressExplicit","args":[)" NONE ",3,0,1,30,0,0,0,0," OUT "]}" },
    { "explicit in call order", "POST", "address-explicit",
      R"({"srcIntf":"traceroute_source_intf_network_port","tracerouteUdpPort":8,"tracerouteSize":7,"tracerouteMaxFail":6,
          "tracerouteMaxTtl":5,"tracerouteInitTtl":4,"tracerouteInterval":3,"tracerouteCount":2,"address":"10.1.1.1"})",
      R"({"call":"rpcclt_openapiTracerouteAddressExplicit","args":[)" V4 ",2,3,4,5,6,7,8,1," OUT "]}" },
    { "with source", "POST", "with-source",
      R"({"srcAddr":"10.2.2.2","srcIntf":7,"srcType":"traceroute_source_address","address":"10.1.1.1","family":"inet","vrfName":"mgmt"})",
      R"({"call":"rpcclt_openapiTracerouteWithSource","args":[{"size":5,"text":"mgmt"},1,)" V4
      R"(,3,7,{"size":9,"text":"10.2.2.2"},)" OUT_SHORT "]}" },
    { "with source, ping keywords", "POST", "with-source",
      R"({"srcType":"ping_source_address","srcIntf":"traceroute_source_intf_network_port","family":"inet4"})",
      R"({"call":"rpcclt_openapiTracerouteWithSource","args":[)" NONE ",0," NONE ",4,0," NONE "," OUT_SHORT "]}" },
    { "traceroute defaults", "POST", "traceroute", "{}",
      R"({"call":"rpcclt_openapiTraceroute","args":[)" NONE ",0," NONE ",3,0,1,30,0,0,0,4,0," NONE "," OUT_SHORT "]}" },
    { "traceroute in call order", "POST", "traceroute",
      R"({"srcAddr":"fd00::2","srcIntf":12,"srcType":"traceroute_source_ip_port","tracerouteUdpPort":8,"tracerouteSize":7,
          "tracerouteMaxFail":6,"tracerouteMaxTtl":5,"tracerouteInitTtl":4,"tracerouteInterval":3,"tracerouteCount":2,
          "address":"10.1.1.1","family":"inet6","vrfName":"blue"})",
      R"({"call":"rpcclt_openapiTraceroute","args":[{"size":5,"text":"blue"},2,)" V4
      R"(,2,3,4,5,6,7,8,2,12,{"size":8,"text":"fd00::2"},)" OUT_SHORT "]}" },
};

#undef OUT
#undef OUT_SHORT
#undef NONE
#undef V4

class Traceroute : public CgiTest {};

TEST_F(Traceroute, MembersBecomeTheCallsArgumentsInOrder)
{
    expectCalls(kBase, kCallCases);
}

TEST_F(Traceroute, TextsAreCutToTheirBuffers)
{
    std::string const address(300, 'a');
    std::string const vrf(20, 'v');
    std::string const source(256, 's');
    post(std::string(kBase) + "traceroute",
         R"({"address":")" + address + R"(","vrfName":")" + vrf + R"(","srcAddr":")" + source + "\"}");
    EXPECT_EQ(handlerCalls(),
              std::vector<std::string> { R"({"call":"rpcclt_openapiTraceroute","args":[{"size":16,"text":")"
                                         + vrf.substr(0, 15) + R"("},0,{"size":256,"text":")" + address.substr(0, 255)
                                         + R"("},3,0,1,30,0,0,0,4,0,{"size":256,"text":")" + source.substr(0, 255)
                                         + R"("},{"size":1024,"text":""}]})" });
}

constexpr ReplyCase kReplyCases[] = {
    { "output relayed", "POST", "address-with-ttl", "{}", 0, R"({"output":"traceroute to x\n 1  y\n"})",
      R"({"rpcclt_openapiTracerouteAddressWithTtl":{"out":["traceroute to x\n 1  y\n"]}})" },
    { "refused", "POST", "traceroute", "{}", 10003, nullptr, R"({"rpcclt_openapiTraceroute":-22})" },
};

// The output, or the failure without a line end; an unparsable body answers
// with one and makes no call; the output is read within its buffer.
TEST_F(Traceroute, AnswersInTheirForms)
{
    expectReplies(kBase, "traceroute", kReplyCases, true);
    expectRefusedWithoutCall(std::string(kBase) + "address-explicit", { "", "[", "{}}" });
    expectOutputWithin(std::string(kBase) + "with-source", "rpcclt_openapiTracerouteWithSource", "traceroute", 1024);
    expectOutputWithin(std::string(kBase) + "address-with-ttl", "rpcclt_openapiTracerouteAddressWithTtl", "traceroute",
                       4096);
}

// Two routers to a host, a third that never answers, and a long path.
constexpr char kNetwork[] = R"({"diag":{"vrfs":[],
  "ports":[{"kind":"network-port","intIfNum":0,"inet":"10.9.0.2","inet6":"fd00::2"}],
  "destinations":[{"prefix":"10.5.0.0/16","path":[{"address":"10.9.0.1","rttMs":1},{"address":"10.6.0.1","rttMs":3}],"rttMs":4},
                  {"prefix":"10.8.0.0/16","path":[{"address":"10.9.0.1","rttMs":1},{"address":"","rttMs":0}],"rttMs":0,"answers":false},
                  {"prefix":"2001:db8::/32","path":[],"rttMs":0.5},
                  {"prefix":"10.7.0.0/16","path":[)"
    R"({"address":"10.7.0.1","rttMs":1},{"address":"10.7.0.2","rttMs":1},{"address":"10.7.0.3","rttMs":1},{"address":"10.7.0.4","rttMs":1},)"
    R"({"address":"10.7.0.5","rttMs":1},{"address":"10.7.0.6","rttMs":1},{"address":"10.7.0.7","rttMs":1},{"address":"10.7.0.8","rttMs":1},)"
    R"({"address":"10.7.0.9","rttMs":1},{"address":"10.7.0.10","rttMs":1},{"address":"10.7.0.11","rttMs":1},{"address":"10.7.0.12","rttMs":1},)"
    R"({"address":"10.7.0.13","rttMs":1},{"address":"10.7.0.14","rttMs":1},{"address":"10.7.0.15","rttMs":1},{"address":"10.7.0.16","rttMs":1},)"
    R"({"address":"10.7.0.17","rttMs":1},{"address":"10.7.0.18","rttMs":1},{"address":"10.7.0.19","rttMs":1},{"address":"10.7.0.20","rttMs":1}],"rttMs":2}]}})";

constexpr char kProbe[] = " ms";
constexpr char kSilent[] = "* * *";

constexpr RunCase kRunCases[] = {
    { "to a routed host", "address", R"({"address":"10.5.1.1"})", 0,
      "traceroute to 10.5.1.1 (10.5.1.1), 30 hops max, 60 byte packets\n 1  10.9.0.1 (10.9.0.1)  1.", kProbe, 9 },
    { "probes per hop", "address-with-count", R"({"address":"10.5.1.1","tracerouteCount":5})", 0, "\n 3  10.5.1.1",
      kProbe, 15 },
    { "first ttl past the path", "address-with-ttl", R"({"address":"10.5.1.1","tracerouteInitTtl":9})", 0,
      "packets\n 9  10.5.1.1 (10.5.1.1)", kProbe, 3 },
    { "silent hops end the run", "address-with-max-fail", R"({"address":"10.8.1.1","tracerouteMaxFail":3})", 0,
      "\n 4  * * *\n", kSilent, 3 },
    { "max ttl ends the run", "address-with-ttl", R"({"address":"10.8.1.1","tracerouteMaxTtl":2})", 0, "2 hops max",
      kSilent, 1 },
    { "size and source", "address-explicit",
      R"({"address":"10.5.1.1","tracerouteSize":100,"srcIntf":"traceroute_source_intf_network_port"})", 0,
      "(10.5.1.1) from 10.9.0.2, 30 hops max, 100 byte packets", kProbe, 9 },
    { "ipv6", "traceroute", R"({"address":"2001:db8::7","family":"inet6"})", 0,
      "traceroute to 2001:db8::7 (2001:db8::7), 30 hops max, 80 byte packets\n 1  2001:db8::7", kProbe, 3 },
    { "all 21 hops in 4096 bytes", "address", R"({"address":"10.7.9.9"})", 0, "\n21  10.7.9.9", kProbe, 63 },
    { "count 0 refused", "address-with-count", R"({"address":"10.5.1.1","tracerouteCount":0})", 10003 },
    { "first ttl over the last", "address-with-ttl", R"({"address":"10.5.1.1","tracerouteInitTtl":31})", 10003 },
    { "udp port over 65535", "address-with-udp-port", R"({"address":"10.5.1.1","tracerouteUdpPort":65536})", 10003 },
    { "unknown vrf", "with-source", R"({"address":"10.5.1.1","vrfName":"mgmt"})", 10003 },
    { "no route", "traceroute", R"({"address":"10.4.1.1"})", 0,
      "60 byte packets\nconnect: Network is unreachable\n", kProbe, 0 },
    { "own address", "address", R"({"address":"10.9.0.2"})", 0, "packets\n 1  10.9.0.2 (10.9.0.2)  0.0", kProbe, 3 },
};

TEST_F(Traceroute, StandInRunsOverItsNetwork)
{
    seedState(kNetwork);
    expectRuns(kBase, "traceroute", kRunCases, true);
}

// The sourced variants' 1024 bytes hold the text up to its last whole line.
TEST_F(Traceroute, ShortBufferKeepsWholeLines)
{
    seedState(kNetwork);
    std::string const whole = outputOf(post(std::string(kBase) + "address", R"({"address":"10.7.9.9"})"), "traceroute");
    std::string const cut = outputOf(post(std::string(kBase) + "traceroute", R"({"address":"10.7.9.9"})"), "traceroute");
    ASSERT_GT(whole.size(), 1023u);
    ASSERT_FALSE(cut.empty());
    EXPECT_EQ(whole.compare(0, cut.size(), cut), 0);
    EXPECT_EQ(cut.back(), '\n');
    EXPECT_GT(whole.find('\n', cut.size()) + 1, 1023u); // the next line would not fit
}

} // namespace
