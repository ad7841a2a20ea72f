// Ping and traceroute, two groups of one shape: members become the call's
// arguments in order, with their defaults; ping hands its texts on uncut,
// traceroute cuts them into fixed buffers; the text the switch wrote comes
// back under the group's name, read within the group's buffer; a failed run
// answers ping's status only, traceroute's without a line end. The stand-in
// runs both over a network of its own.
#include "access_cases.h"

using namespace access_cases;

namespace {

#define OUT R"({"size":2048,"text":""})"
#define NONE R"({"size":1,"text":""})"
#define V4 R"({"size":9,"text":"10.1.1.1"})"

using expect::call;

// Texts longer than their buffers: ping hands them on uncut, traceroute cuts them.
std::string const kLong(3000, 'a'), kLongBody = R"({"address":")" + kLong + R"(","vrfName":")" + std::string(20, 'v')
    + R"(","srcAddr":")" + std::string(256, 's') + "\"}";

// A call that fills its whole buffer of size bytes: the reply holds size - 1.
Exchange filled(char const* group, char const* resource, char const* name, size_t size)
{
    return { "POST", resource, {}, "{}", expect::getReply(0, group, "{\"output\":\"" + std::string(size - 1, 'x') + "\"}"), {},
             expect::fault(name, 0, "\"" + std::string(size + 100, 'x') + "\"") };
}

// The calls, and the reply a full buffer gives: a row for each route the runs
// below do not tell apart by their output, and for each reader and keyword table.
Exchange const kPingRows[] = {
    { "POST", "address", {}, kLongBody, {}, call("PingAddress", expect::text(kLong, 3001) + "," OUT) }, // texts uncut
    { "POST", "address-with-interval", {}, R"({"pingInterval":2,"pingCount":9})", {}, call("PingAddressWithInterval", NONE ",2," OUT) },
    { "POST", "address-explicit", {}, R"({"srcIntf":"ping_source_intf_network_port","pingSize":3,"pingInterval":2,"pingCount":1,"address":"10.1.1.1"})", {},
      call("PingAddressExplicit", V4 ",1,2,3,1," OUT) }, // in call order
    { "POST", "with-source", {}, R"({"srcAddr":"fd00::2","srcIntf":7,"srcType":"ping_source_address","address":"2001:db8::1","family":"inet6","vrfName":"mgmt"})", {},
      call("PingWithSource", R"({"size":5,"text":"mgmt"},2,{"size":12,"text":"2001:db8::1"},3,7,{"size":8,"text":"fd00::2"},)" OUT) },
    // Keywords of another table or case are not taken.
    { "POST", "with-source", {}, R"({"srcIntf":"ping_source_intf_network_port","family":"INET","srcType":"traceroute_source_address"})", {},
      call("PingWithSource", NONE ",0," NONE ",4,0," NONE "," OUT) },
    // The interface from the query, not the body.
    { "POST", "ping", "intIfNum=12", R"({"family":"inet","address":"10.1.1.1","pingCount":4,"pingInterval":5,"pingSize":6,"srcType":"ping_source_ip_port","srcIntf":9})", {},
      call("Ping", NONE ",1," V4 ",4,5,6,2,12," NONE "," OUT) },
    { "POST", "ping", {}, R"({"srcType":"ping_source_service_port"})", {}, call("Ping", NONE ",0," NONE ",0,0,0,0,0," NONE "," OUT) },
    filled("ping", "address", "PingAddress", 2048),
};

#undef OUT
#define OUT R"({"size":4096,"text":""})"
#define OUT_SHORT R"({"size":1024,"text":""})"

Exchange const kTracerouteRows[] = {
    { "POST", "traceroute", {}, kLongBody, {}, call("Traceroute", expect::text(std::string(15, 'v'), 16) + ",0," + expect::text(kLong.substr(0, 255), 256)
      + ",3,0,1,30,0,0,0,4,0," + expect::text(std::string(255, 's'), 256) + "," OUT_SHORT) }, // texts cut
    { "POST", "address-with-interval", {}, R"({"TRACEROUTEINTERVAL":4})", {}, call("TracerouteAddressWithInterval", NONE ",4," OUT) },
    { "POST", "address-with-pdu-size", {}, R"({"tracerouteSize":70000})", {}, call("TracerouteAddressWithPDUSize", NONE ",70000," OUT) },
    { "POST", "address-with-source-interface", {}, R"({"srcIntf":"traceroute_source_intf_network_port"})", {},
      call("TracerouteAddressWithSourceInterface", NONE ",1," OUT) },
    { "POST", "address-explicit", {}, "{}", {}, call("TracerouteAddressExplicit", NONE ",3,0,1,30,0,0,0,0," OUT) }, // the defaults
    { "POST", "address-explicit", {}, R"({"srcIntf":"traceroute_source_intf_network_port","tracerouteUdpPort":8,"tracerouteSize":7,"tracerouteMaxFail":6,
          "tracerouteMaxTtl":5,"tracerouteInitTtl":4,"tracerouteInterval":3,"tracerouteCount":2,"address":"10.1.1.1"})", {},
      call("TracerouteAddressExplicit", V4 ",2,3,4,5,6,7,8,1," OUT) }, // in call order
    { "POST", "with-source", {}, R"({"srcAddr":"10.2.2.2","srcIntf":7,"srcType":"traceroute_source_address","address":"10.1.1.1","family":"inet","vrfName":"mgmt"})", {},
      call("TracerouteWithSource", R"({"size":5,"text":"mgmt"},1,)" V4 R"(,3,7,{"size":9,"text":"10.2.2.2"},)" OUT_SHORT) },
    { "POST", "traceroute", {}, R"({"srcAddr":"fd00::2","srcIntf":12,"srcType":"traceroute_source_ip_port","tracerouteUdpPort":8,"tracerouteSize":7,
          "tracerouteMaxFail":6,"tracerouteMaxTtl":5,"tracerouteInitTtl":4,"tracerouteInterval":3,"tracerouteCount":2, "address":"10.1.1.1","family":"inet6","vrfName":"blue"})", {},
      call("Traceroute", R"({"size":5,"text":"blue"},2,)" V4 R"(,2,3,4,5,6,7,8,2,12,{"size":8,"text":"fd00::2"},)" OUT_SHORT) }, // in call order
    filled("traceroute", "with-source", "TracerouteWithSource", 1024),
    filled("traceroute", "address-with-ttl", "TracerouteAddressWithTtl", 4096),
};

#undef OUT
#undef OUT_SHORT
#undef NONE
#undef V4

// The stand-in over a network of its own: one network port, one routing port,
// a subnet behind a router, a host beside the switch, and a silent subnet.
constexpr char kPingNetwork[] = R"({"diag":{"vrfs":["blue"],
  "ports":[{"kind":"network-port","intIfNum":0,"inet":"10.9.0.2","inet6":""},
           {"kind":"ip-port","intIfNum":7,"inet":"10.7.0.1","inet6":""}],
  "destinations":[{"prefix":"10.9.0.0/16","path":[{"address":"10.9.0.1","rttMs":1}],"rttMs":2},
                  {"prefix":"10.9.9.0/24","path":[],"rttMs":0.5},
                  {"prefix":"10.8.0.0/16","path":[{"address":"10.9.0.1","rttMs":1}],"rttMs":0,"answers":false}]}})";

// Two routers to a host, a third that never answers, and a long path.
constexpr char kTracerouteNetwork[] = R"({"diag":{"vrfs":[],
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

// A run on the stand-in: its code and, on success, a part of its text and
// how often a marker occurs in it.
struct RunCase {
    char const* name;
    char const* resource;
    char const* body;
    int code;
    char const* has = "";
    char const* marker = "";
    int count = 0;
    char const* query = nullptr;
};

constexpr char kReply[] = " bytes from ";

constexpr RunCase kPingRuns[] = {
    { "routed host", "address", R"({"address":"10.9.1.1"})", 0, "64 bytes from 10.9.1.1: icmp_seq=3 ttl=63 time=2.", kReply, 3 },
    { "longest prefix, beside the switch", "address", R"({"address":"10.9.9.9"})", 0, "ttl=64", kReply, 3 },
    { "count", "address-with-count", R"({"address":"10.9.1.1","pingCount":5})", 0, "5 packets transmitted, 5 received, 0% packet loss", kReply, 5 },
    { "size", "address-with-pdu-size", R"({"address":"10.9.1.1","pingSize":100})", 0, "PING 10.9.1.1 (10.9.1.1) 100(128) bytes", "108 bytes from", 3 },
    { "interval and source", "address-explicit", R"({"address":"10.9.1.1","pingCount":2,"pingInterval":4,"srcIntf":"ping_source_intf_network_port"})", 0, "from 10.9.0.2 : 56(84)", "time 4002ms", 1 },
    { "silent subnet", "address", R"({"address":"10.8.1.1"})", 0, "3 packets transmitted, 0 received, 100% packet loss", kReply, 0 },
    { "routing port source", "ping", R"({"vrfName":"blue","address":"10.9.1.1","srcType":"ping_source_ip_port"})", 0, "from 10.7.0.1 : ", kReply, 3, "intIfNum=7" },
    { "own address as source", "with-source", R"({"address":"10.9.1.1","srcType":"ping_source_address","srcAddr":"10.7.0.1"})", 0, "from 10.7.0.1 : ", kReply, 3 },
    { "own address", "address", R"({"address":"10.7.0.1"})", 0, "64 bytes from 10.7.0.1: icmp_seq=1 ttl=64 time=0.0", kReply, 3 },
    { "no route", "address", R"({"address":"10.10.1.1"})", 0, "ping: connect: Network is unreachable\n", kReply, 0 },
    { "not an address", "address", R"({"address":"10.9.1"})", 10003 },
    { "count too high", "address-with-count", R"({"address":"10.9.1.1","pingCount":16})", 10003 },
    { "service port has no address here", "address-with-source-interface", R"({"address":"10.9.1.1"})", 10003 },
    { "unknown routing port", "ping", R"({"address":"10.9.1.1","srcType":"ping_source_ip_port"})", 10003, "", "", 0, "intIfNum=8" },
    { "foreign source address", "with-source", R"({"address":"10.9.1.1","srcType":"ping_source_address","srcAddr":"10.7.0.2"})", 10003 },
    { "unknown vrf", "with-source", R"({"vrfName":"red","address":"10.9.1.1"})", 10003 },
    { "family against the address", "with-source", R"({"family":"inet6","address":"10.9.1.1"})", 10003 },
};

constexpr char kProbe[] = " ms";
constexpr char kSilent[] = "* * *";

constexpr RunCase kTracerouteRuns[] = {
    { "to a routed host", "address", R"({"address":"10.5.1.1"})", 0, "traceroute to 10.5.1.1 (10.5.1.1), 30 hops max, 60 byte packets\n 1  10.9.0.1 (10.9.0.1)  1.", kProbe, 9 },
    { "probes per hop", "address-with-count", R"({"address":"10.5.1.1","tracerouteCount":5})", 0, "\n 3  10.5.1.1", kProbe, 15 },
    { "first ttl past the path", "address-with-ttl", R"({"address":"10.5.1.1","tracerouteInitTtl":9})", 0, "packets\n 9  10.5.1.1 (10.5.1.1)", kProbe, 3 },
    { "silent hops end the run", "address-with-max-fail", R"({"address":"10.8.1.1","tracerouteMaxFail":3})", 0, "\n 4  * * *\n", kSilent, 3 },
    { "max ttl ends the run", "address-with-ttl", R"({"address":"10.8.1.1","tracerouteMaxTtl":2})", 0, "2 hops max", kSilent, 1 },
    { "size and source", "address-explicit", R"({"address":"10.5.1.1","tracerouteSize":100,"srcIntf":"traceroute_source_intf_network_port"})", 0,
      "(10.5.1.1) from 10.9.0.2, 30 hops max, 100 byte packets", kProbe, 9 },
    { "ipv6", "traceroute", R"({"address":"2001:db8::7","family":"inet6"})", 0, "traceroute to 2001:db8::7 (2001:db8::7), 30 hops max, 80 byte packets\n 1  2001:db8::7", kProbe, 3 },
    { "all 21 hops in 4096 bytes", "address", R"({"address":"10.7.9.9"})", 0, "\n21  10.7.9.9", kProbe, 63 },
    { "count 0 refused", "address-with-count", R"({"address":"10.5.1.1","tracerouteCount":0})", 10003 },
    { "first ttl over the last", "address-with-ttl", R"({"address":"10.5.1.1","tracerouteInitTtl":31})", 10003 },
    { "udp port over 65535", "address-with-udp-port", R"({"address":"10.5.1.1","tracerouteUdpPort":65536})", 10003 },
    { "unknown vrf", "with-source", R"({"address":"10.5.1.1","vrfName":"mgmt"})", 10003 },
    { "no route", "traceroute", R"({"address":"10.4.1.1"})", 0, "60 byte packets\nconnect: Network is unreachable\n", kProbe, 0 },
    { "own address", "address", R"({"address":"10.9.0.2"})", 0, "packets\n 1  10.9.0.2 (10.9.0.2)  0.0", kProbe, 3 },
};

struct Group {
    char const* name; // also the last part of the base path
    bool failuresLikeGets;
    std::span<Exchange const> rows;
    char const* network;
    std::span<RunCase const> runs;

    std::string base() const { return std::string("/api/v2/mgmt/") + name + "/"; }
    std::string failure(int code) const { return failuresLikeGets ? expect::getReply(code) : expect::setReply(code); }
};

Group const kGroups[] = {
    { "ping", false, kPingRows, kPingNetwork, kPingRuns },
    { "traceroute", true, kTracerouteRows, kTracerouteNetwork, kTracerouteRuns },
};

class Diag : public CgiTest {};

TEST_F(Diag, MembersBecomeTheCallsArgumentsAndRepliesTakeTheirForms)
{
    for (Group const& group : kGroups) {
        SCOPED_TRACE(group.name);
        expectExchanges(group.base(), group.rows);
    }
}

TEST_F(Diag, StandInRunsOverItsNetwork)
{
    for (Group const& group : kGroups) {
        renew();
        seedState(group.network);
        for (RunCase const& c : group.runs) {
            SCOPED_TRACE(std::string(group.name) + " " + c.name + ": " + c.resource);
            Result const r = run({ .method = "POST", .uri = group.base() + c.resource,
                                   .query = c.query != nullptr ? std::optional<std::string>(c.query) : std::nullopt, .body = c.body });
            if (c.code != 0) {
                EXPECT_EQ(r.out, group.failure(c.code));
                continue;
            }
            std::string const output = memberOf(r.out, { group.name, "output" });
            EXPECT_NE(output.find(c.has), std::string::npos) << r.out;
            EXPECT_EQ(countOf(output, c.marker), c.count) << output;
        }
    }
}

// Traceroute's sourced variants' 1024 bytes hold the text up to its last
// whole line.
TEST_F(Diag, TracerouteShortBufferKeepsWholeLines)
{
    seedState(kTracerouteNetwork);
    std::string const whole = memberOf(post("/api/v2/mgmt/traceroute/address", R"({"address":"10.7.9.9"})").out,
                                       { "traceroute", "output" });
    std::string const cut = memberOf(post("/api/v2/mgmt/traceroute/traceroute", R"({"address":"10.7.9.9"})").out,
                                     { "traceroute", "output" });
    ASSERT_GT(whole.size(), 1023u);
    ASSERT_FALSE(cut.empty());
    EXPECT_EQ(whole.compare(0, cut.size(), cut), 0);
    EXPECT_EQ(cut.back(), '\n');
    EXPECT_GT(whole.find('\n', cut.size()) + 1, 1023u); // the next line would not fit
}

} // namespace
