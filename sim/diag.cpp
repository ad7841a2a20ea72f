// The switch's diagnostics: ping and traceroute over a simulated network.
// Nothing is sent anywhere. The "diag" section says which destinations the
// switch reaches, through which hops and how fast, and the tools' text is laid
// out from it, so a run always gives the same text for the same arguments.
#include "sim.h"
#include "ip_text.h"
#include "tool_text.h"

#include "../tools/sw_calls_diag.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace sim {

// Factory defaults of the "diag" section of the state file. A hop whose
// address is empty does not answer; a destination with "answers" false is
// routed but silent. The switch's own addresses (the ports) always answer.
extern char const kDiagDefaults[] = R"({
    "vrfs": ["default", "mgmt"],
    "ports": [
        { "kind": "service-port", "intIfNum": 0, "inet": "192.168.0.239", "inet6": "fd00:0:0:1::239" },
        { "kind": "network-port", "intIfNum": 0, "inet": "10.1.1.2", "inet6": "fd00:0:0:10::2" },
        { "kind": "ip-port", "intIfNum": 5, "inet": "172.16.5.1", "inet6": "" },
        { "kind": "ip-port", "intIfNum": 12, "inet": "172.16.12.1", "inet6": "fd00:0:0:12::1" }
    ],
    "destinations": [
        { "prefix": "192.168.0.0/24", "path": [], "rttMs": 0.318 },
        { "prefix": "10.1.1.0/24", "path": [], "rttMs": 0.274 },
        { "prefix": "10.0.0.0/8", "path": [{ "address": "10.1.1.1", "rttMs": 0.412 }], "rttMs": 0.865 },
        { "prefix": "198.51.100.0/24", "path": [
            { "address": "10.1.1.1", "rttMs": 0.412 },
            { "address": "203.0.113.1", "rttMs": 2.731 },
            { "address": "", "rttMs": 0 },
            { "address": "203.0.113.77", "rttMs": 8.902 }
        ], "rttMs": 11.347 },
        { "prefix": "192.0.2.0/24", "path": [{ "address": "10.1.1.1", "rttMs": 0.412 }], "rttMs": 0, "answers": false },
        { "prefix": "fd00:0:0:10::/64", "path": [], "rttMs": 0.301 },
        { "prefix": "2001:db8::/32", "path": [{ "address": "fd00:0:0:10::1", "rttMs": 0.455 }], "rttMs": 3.118 },
        { "prefix": "127.0.0.0/8", "path": [], "rttMs": 0.021 },
        { "prefix": "::1/128", "path": [], "rttMs": 0.019 }
    ]
})";

} // namespace sim

namespace {

using sim::kBadParam;
using sim::kOk;

// A source type no request can name: the flag of an address variant was
// neither 0 nor 1.
constexpr uint32_t kSourceInvalid = 0xffffffffu;

constexpr char const* kPortKinds[] = { "service-port", "network-port", "ip-port" }; // by source type

// The request's place in the network, as every variant gives it.
struct DiagRequest {
    OpenBuffDesc const* vrf = nullptr; // none, or the empty text: the default VRF
    uint32_t family = kAfNone;         // none: decided by the address text
    OpenBuffDesc const* address = nullptr;
    uint32_t srcType = kDiagSourceNone;
    uint32_t srcIntIfNum = 0;
    OpenBuffDesc const* srcAddr = nullptr;
};

uint32_t sourceOfFlag(uint32_t flag)
{
    if (flag == kDiagIntfServicePort)
        return kDiagSourceServicePort;
    return flag == kDiagIntfNetworkPort ? kDiagSourceNetworkPort : kSourceInvalid;
}

struct Ip {
    bool inet6 = false;
    unsigned char bytes[16] = {};
};

bool parseIp(std::string const& text, bool inet6, Ip& ip)
{
    ip = Ip { .inet6 = inet6 };
    return inet_pton(inet6 ? AF_INET6 : AF_INET, text.c_str(), ip.bytes) == 1;
}

std::string ipText(Ip const& ip)
{
    return sim::addressText(ip.inet6, ip.bytes);
}

// The length of "address/length" when ip lies in it; -1 when not, or when the
// prefix is of the other family or malformed.
int prefixMatch(Ip const& ip, std::string const& prefix)
{
    size_t const slash = prefix.find('/');
    Ip net;
    if (slash == std::string::npos || !parseIp(prefix.substr(0, slash), ip.inet6, net))
        return -1;
    char* end = nullptr;
    unsigned long const length = strtoul(prefix.c_str() + slash + 1, &end, 10);
    if (*end != '\0' || length > (ip.inet6 ? 128u : 32u))
        return -1;
    for (unsigned long bit = 0; bit < length; ++bit) {
        unsigned const mask = 0x80u >> (bit % 8);
        if ((ip.bytes[bit / 8] & mask) != (net.bytes[bit / 8] & mask))
            return -1;
    }
    return static_cast<int>(length);
}

// One table of the "diag" section, read as it stands; none when it is not
// an array.
cJSON const* table(sim::State& state, char const* name)
{
    cJSON const* rows = state.member("diag", name);
    return cJSON_IsArray(rows) ? rows : nullptr;
}

// The destinations row of the longest prefix that holds ip, the first of
// equal ones; none: no route.
cJSON const* routeTo(sim::State& state, Ip const& ip)
{
    struct Longest {
        Ip const& ip;
        int length = -1;
    } longest { ip };
    return state.row(
        "diag", "destinations", "prefix",
        [](std::string_view prefix, void* context) {
            auto& best = *static_cast<Longest*>(context);
            int const length = prefixMatch(best.ip, std::string(prefix));
            if (length <= best.length)
                return false;
            best.length = length;
            return true;
        },
        &longest);
}

// The port that owns ip: the switch answers its own addresses itself, with
// no router on the way (a port row has no "path", and its round trip is the
// probes' few microseconds).
cJSON const* ownPort(sim::State& state, Ip const& ip)
{
    char const* const family = ip.inet6 ? "inet6" : "inet";
    cJSON const* port = nullptr;
    cJSON const* const ports = table(state, "ports");
    cJSON_ArrayForEach(port, ports)
    {
        Ip own;
        if (parseIp(sim::text(port, family), ip.inet6, own) && memcmp(own.bytes, ip.bytes, sizeof own.bytes) == 0)
            return port;
    }
    return nullptr;
}

bool knownVrf(sim::State& state, std::string const& vrf)
{
    if (vrf.empty())
        return true;
    cJSON const* name = nullptr;
    cJSON const* const vrfs = table(state, "vrfs");
    cJSON_ArrayForEach(name, vrfs)
    {
        if (cJSON_IsString(name) && vrf == name->valuestring)
            return true;
    }
    return false;
}

// The switch's own address to send from; false when the source names no port
// of the switch, or a port without an address of the destination's family.
bool sourceAddress(sim::State& state, DiagRequest const& request, bool inet6, std::string& source)
{
    source.clear();
    if (request.srcType == kDiagSourceNone)
        return true;
    Ip wanted;
    if (request.srcType == kDiagSourceAddress && !parseIp(sim::readText(request.srcAddr), inet6, wanted))
        return false;
    char const* const family = inet6 ? "inet6" : "inet";
    cJSON const* port = nullptr;
    cJSON const* const ports = table(state, "ports");
    cJSON_ArrayForEach(port, ports)
    {
        std::string const own = sim::text(port, family);
        Ip ownIp;
        if (own.empty() || !parseIp(own, inet6, ownIp))
            continue;
        bool found = false;
        switch (request.srcType) {
        case kDiagSourceServicePort:
        case kDiagSourceNetworkPort:
            found = strcmp(sim::text(port, "kind"), kPortKinds[request.srcType]) == 0;
            break;
        case kDiagSourceIpPort:
            found = strcmp(sim::text(port, "kind"), kPortKinds[kDiagSourceIpPort]) == 0
                && sim::u32(port, "intIfNum") == request.srcIntIfNum;
            break;
        case kDiagSourceAddress: found = memcmp(ownIp.bytes, wanted.bytes, sizeof ownIp.bytes) == 0; break;
        default: return false; // a source type the switch does not know
        }
        if (found) {
            source = ipText(ownIp);
            return true;
        }
    }
    return false;
}

// Where a run goes: the destination as given and as a number, the source,
// and the destinations row that reaches it.
struct Target {
    std::string given;
    std::string address;
    bool inet6 = false;
    std::string source; // empty: the switch picks it
    cJSON const* route = nullptr;
};

// kBadParam for a VRF, family, address or source the switch cannot use;
// with no route to the address, target.route stays none.
int resolve(sim::State& state, DiagRequest const& request, Target& target)
{
    if (!knownVrf(state, sim::readText(request.vrf)) || request.family > kAfInet6)
        return kBadParam;
    target.given = sim::readText(request.address);
    target.inet6 = request.family == kAfNone ? target.given.find(':') != std::string::npos : request.family == kAfInet6;
    Ip ip;
    if (!parseIp(target.given, target.inet6, ip) || !sourceAddress(state, request, target.inet6, target.source))
        return kBadParam;
    target.address = ipText(ip);
    target.route = ownPort(state, ip);
    if (target.route == nullptr)
        target.route = routeTo(state, ip);
    return kOk;
}

// What the tools print when no route leads to the address: the system
// refuses to send, and the run ends there.
constexpr char kUnreachable[] = "connect: Network is unreachable\n";

// Round-trip times vary a little from probe to probe, the same way every run.
double probeRtt(double base, unsigned probe)
{
    return base + 0.001 * ((probe * 37 + 11) % 23);
}

bool answers(cJSON const* route)
{
    return !cJSON_IsFalse(cJSON_GetObjectItemCaseSensitive(route, "answers"));
}

// The tool's text into the output, cut after its last whole line when the
// buffer is too short for all of it.
int writeLines(OpenBuffDesc* output, std::string text)
{
    size_t const room = output->size - 1;
    if (text.size() > room) {
        size_t const lineEnd = room == 0 ? std::string::npos : text.rfind('\n', room - 1);
        text.resize(lineEnd == std::string::npos ? room : lineEnd + 1);
    }
    sim::writeText(output, text.c_str());
    return kOk;
}

bool writable(OpenBuffDesc const* output)
{
    return output != nullptr && output->pstart != nullptr && output->size > 0;
}

std::string fromText(Target const& target, std::string_view before, std::string_view after)
{
    std::string from;
    if (!target.source.empty())
        sim::ToolPiece(from) << before << target.source << after;
    return from;
}

struct PingOptions {
    uint32_t count = 0;    // probes, 1..15; 0: 3
    uint32_t interval = 0; // seconds between probes, 1..60; 0: 1
    uint32_t size = 0;     // data bytes per probe, 1..65507; 0: 56
};

std::string pingText(Target const& target, PingOptions const& options)
{
    std::string text;
    std::string const from = fromText(target, "from ", " : ");
    if (target.inet6)
        sim::ToolPiece(text) << "PING " << target.given << "(" << target.address << ") " << from << options.size
                             << " data bytes\n";
    else
        sim::ToolPiece(text) << "PING " << target.given << " (" << target.address << ") " << from << options.size
                             << "(" << options.size + 28 << ") bytes of data.\n";

    unsigned const ttl = 64 - static_cast<unsigned>(cJSON_GetArraySize(cJSON_GetObjectItemCaseSensitive(target.route, "path")));
    double const base = sim::number(target.route, "rttMs");
    unsigned const received = answers(target.route) ? options.count : 0;
    double sum = 0, squares = 0, low = 0, high = 0;
    for (unsigned seq = 1; seq <= received; ++seq) {
        double const rtt = probeRtt(base, seq);
        sim::ToolPiece(text) << options.size + 8 << " bytes from " << target.address << ": icmp_seq=" << seq
                             << " ttl=" << ttl << " time=" << sim::Millis { rtt } << " ms\n";
        sum += rtt;
        squares += rtt * rtt;
        low = seq == 1 ? rtt : std::min(low, rtt);
        high = std::max(high, rtt);
    }
    sim::ToolPiece(text) << "\n--- " << target.given << " ping statistics ---\n";
    sim::ToolPiece(text) << options.count << " packets transmitted, " << received << " received, "
                         << 100 - received * 100 / options.count << "% packet loss, time "
                         << (options.count - 1) * options.interval * 1000 + options.count << "ms\n";
    if (received > 0) {
        double const mean = sum / received;
        sim::ToolPiece(text) << "rtt min/avg/max/mdev = " << sim::Millis { low } << "/" << sim::Millis { mean } << "/"
                             << sim::Millis { high } << "/"
                             << sim::Millis { std::sqrt(std::max(0.0, squares / received - mean * mean)) } << " ms\n";
    }
    return text;
}

int ping(sim::State& state, DiagRequest const& request, PingOptions options, OpenBuffDesc* output)
{
    options.count = options.count != 0 ? options.count : 3;
    options.interval = options.interval != 0 ? options.interval : 1;
    options.size = options.size != 0 ? options.size : 56;
    if (!writable(output) || options.count > 15 || options.interval > 60 || options.size > 65507)
        return kBadParam;
    Target target;
    int const result = resolve(state, request, target);
    if (result != kOk)
        return result;
    std::string const text = target.route != nullptr ? pingText(target, options) : std::string("ping: ") + kUnreachable;
    return writeLines(output, text);
}

struct TraceOptions {
    uint32_t count = 3;    // probes per hop, 1..10
    uint32_t interval = 0; // seconds between probes, 0..60
    uint32_t initTtl = 1;  // first hop shown, 1..maxTtl
    uint32_t maxTtl = 30;  // last hop tried, 1..255
    uint32_t maxFail = 0;  // silent hops in a row that end the run, 0..255; 0: 5
    uint32_t size = 0;     // packet bytes, 0..65000; 0: 60 (IPv4) or 80 (IPv6)
    uint32_t udpPort = 0;  // first destination port, 0..65535; 0: 33434
};

std::string traceText(Target const& target, TraceOptions const& options)
{
    std::string text;
    unsigned const size = options.size != 0 ? options.size : target.inet6 ? 80 : 60;
    sim::ToolPiece(text) << "traceroute to " << target.given << " (" << target.address << ")"
                         << fromText(target, " from ", "") << ", " << options.maxTtl << " hops max, " << size
                         << " byte packets\n";
    if (target.route == nullptr)
        return text + kUnreachable;

    cJSON const* path = cJSON_GetObjectItemCaseSensitive(target.route, "path");
    unsigned const hops = static_cast<unsigned>(cJSON_GetArraySize(path));
    unsigned const maxFail = options.maxFail != 0 ? options.maxFail : 5;
    unsigned silent = 0;
    for (unsigned ttl = options.initTtl; ttl <= options.maxTtl && silent < maxFail; ++ttl) {
        cJSON const* hop = ttl <= hops ? cJSON_GetArrayItem(path, static_cast<int>(ttl - 1)) : nullptr;
        std::string const address = hop != nullptr ? sim::text(hop, "address") : answers(target.route) ? target.address : "";
        double const base = sim::number(hop != nullptr ? hop : target.route, "rttMs");
        sim::ToolPiece(text) << (ttl < 10 ? " " : "") << ttl << " "; // two places at least
        if (!address.empty())
            sim::ToolPiece(text) << " " << address << " (" << address << ")";
        for (unsigned probe = 1; probe <= options.count; ++probe) {
            if (address.empty())
                text += " *";
            else
                sim::ToolPiece(text) << "  " << sim::Millis { probeRtt(base, (ttl - 1) * options.count + probe) } << " ms";
        }
        text += '\n';
        if (hop == nullptr && !address.empty())
            break; // the destination answered
        silent = address.empty() ? silent + 1 : 0;
    }
    return text;
}

int traceroute(sim::State& state, DiagRequest const& request, TraceOptions const& options, OpenBuffDesc* output)
{
    if (!writable(output) || options.count < 1 || options.count > 10 || options.interval > 60 || options.initTtl < 1
        || options.maxTtl > 255 || options.initTtl > options.maxTtl || options.maxFail > 255 || options.size > 65000
        || options.udpPort > 65535)
        return kBadParam;
    Target target;
    int const result = resolve(state, request, target);
    return result != kOk ? result : writeLines(output, traceText(target, options));
}

} // namespace

extern "C" {

int rpcclt_openapiPingAddress(OpenClientHandle*, OpenBuffDesc* address, OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::textOut(output) },
                     [&](sim::State& state) { return ping(state, { .address = address }, {}, output); });
}

int rpcclt_openapiPingAddressWithCount(OpenClientHandle*, OpenBuffDesc* address, uint32_t count, OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(count), sim::textOut(output) },
                     [&](sim::State& state) { return ping(state, { .address = address }, { .count = count }, output); });
}

int rpcclt_openapiPingAddressWithInterval(OpenClientHandle*, OpenBuffDesc* address, uint32_t interval,
                                          OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(interval), sim::textOut(output) },
                     [&](sim::State& state) {
                         return ping(state, { .address = address }, { .interval = interval }, output);
                     });
}

int rpcclt_openapiPingAddressWithPDUSize(OpenClientHandle*, OpenBuffDesc* address, uint32_t size, OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(size), sim::textOut(output) },
                     [&](sim::State& state) { return ping(state, { .address = address }, { .size = size }, output); });
}

int rpcclt_openapiPingAddressWithSourceInterface(OpenClientHandle*, OpenBuffDesc* address, uint32_t srcIntf,
                                                 OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(srcIntf), sim::textOut(output) },
                     [&](sim::State& state) {
                         return ping(state, { .address = address, .srcType = sourceOfFlag(srcIntf) }, {}, output);
                     });
}

int rpcclt_openapiPingAddressExplicit(OpenClientHandle*, OpenBuffDesc* address, uint32_t count, uint32_t interval,
                                      uint32_t size, uint32_t srcIntf, OpenBuffDesc* output)
{
    return sim::call(__func__,
                     { sim::textIn(address), sim::value(count), sim::value(interval), sim::value(size),
                       sim::value(srcIntf), sim::textOut(output) },
                     [&](sim::State& state) {
                         return ping(state, { .address = address, .srcType = sourceOfFlag(srcIntf) },
                                     { count, interval, size }, output);
                     });
}

int rpcclt_openapiPingWithSource(OpenClientHandle*, OpenBuffDesc* vrfName, uint32_t family, OpenBuffDesc* address,
                                 uint32_t srcType, uint32_t srcIntIfNum, OpenBuffDesc* srcAddr, OpenBuffDesc* output)
{
    return sim::call(__func__,
                     { sim::textIn(vrfName), sim::value(family), sim::textIn(address), sim::value(srcType),
                       sim::value(srcIntIfNum), sim::textIn(srcAddr), sim::textOut(output) },
                     [&](sim::State& state) {
                         return ping(state, { vrfName, family, address, srcType, srcIntIfNum, srcAddr }, {}, output);
                     });
}

int rpcclt_openapiPing(OpenClientHandle*, OpenBuffDesc* vrfName, uint32_t family, OpenBuffDesc* address,
                       uint32_t count, uint32_t interval, uint32_t size, uint32_t srcType, uint32_t srcIntIfNum,
                       OpenBuffDesc* srcAddr, OpenBuffDesc* output)
{
    return sim::call(__func__,
                     { sim::textIn(vrfName), sim::value(family), sim::textIn(address), sim::value(count),
                       sim::value(interval), sim::value(size), sim::value(srcType), sim::value(srcIntIfNum),
                       sim::textIn(srcAddr), sim::textOut(output) },
                     [&](sim::State& state) {
                         return ping(state, { vrfName, family, address, srcType, srcIntIfNum, srcAddr },
                                     { count, interval, size }, output);
                     });
}

int rpcclt_openapiTracerouteAddress(OpenClientHandle*, OpenBuffDesc* address, OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::textOut(output) },
                     [&](sim::State& state) { return traceroute(state, { .address = address }, {}, output); });
}

int rpcclt_openapiTracerouteAddressWithCount(OpenClientHandle*, OpenBuffDesc* address, uint32_t count,
                                             OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(count), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address }, { .count = count }, output);
                     });
}

int rpcclt_openapiTracerouteAddressWithInterval(OpenClientHandle*, OpenBuffDesc* address, uint32_t interval,
                                                OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(interval), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address }, { .interval = interval }, output);
                     });
}

int rpcclt_openapiTracerouteAddressWithTtl(OpenClientHandle*, OpenBuffDesc* address, uint32_t initTtl,
                                           uint32_t maxTtl, OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(initTtl), sim::value(maxTtl), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address }, { .initTtl = initTtl, .maxTtl = maxTtl },
                                           output);
                     });
}

int rpcclt_openapiTracerouteAddressWithMaxFail(OpenClientHandle*, OpenBuffDesc* address, uint32_t maxFail,
                                               OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(maxFail), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address }, { .maxFail = maxFail }, output);
                     });
}

int rpcclt_openapiTracerouteAddressWithPDUSize(OpenClientHandle*, OpenBuffDesc* address, uint32_t size,
                                               OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(size), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address }, { .size = size }, output);
                     });
}

int rpcclt_openapiTracerouteAddressWithUdpPort(OpenClientHandle*, OpenBuffDesc* address, uint32_t udpPort,
                                               OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(udpPort), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address }, { .udpPort = udpPort }, output);
                     });
}

int rpcclt_openapiTracerouteAddressWithSourceInterface(OpenClientHandle*, OpenBuffDesc* address, uint32_t srcIntf,
                                                       OpenBuffDesc* output)
{
    return sim::call(__func__, { sim::textIn(address), sim::value(srcIntf), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address, .srcType = sourceOfFlag(srcIntf) }, {},
                                           output);
                     });
}

int rpcclt_openapiTracerouteAddressExplicit(OpenClientHandle*, OpenBuffDesc* address, uint32_t count,
                                            uint32_t interval, uint32_t initTtl, uint32_t maxTtl, uint32_t maxFail,
                                            uint32_t size, uint32_t udpPort, uint32_t srcIntf, OpenBuffDesc* output)
{
    return sim::call(__func__,
                     { sim::textIn(address), sim::value(count), sim::value(interval), sim::value(initTtl),
                       sim::value(maxTtl), sim::value(maxFail), sim::value(size), sim::value(udpPort),
                       sim::value(srcIntf), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { .address = address, .srcType = sourceOfFlag(srcIntf) },
                                           { count, interval, initTtl, maxTtl, maxFail, size, udpPort }, output);
                     });
}

int rpcclt_openapiTracerouteWithSource(OpenClientHandle*, OpenBuffDesc* vrfName, uint32_t family,
                                       OpenBuffDesc* address, uint32_t srcType, uint32_t srcIntIfNum,
                                       OpenBuffDesc* srcAddr, OpenBuffDesc* output)
{
    return sim::call(__func__,
                     { sim::textIn(vrfName), sim::value(family), sim::textIn(address), sim::value(srcType),
                       sim::value(srcIntIfNum), sim::textIn(srcAddr), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { vrfName, family, address, srcType, srcIntIfNum, srcAddr }, {},
                                           output);
                     });
}

int rpcclt_openapiTraceroute(OpenClientHandle*, OpenBuffDesc* vrfName, uint32_t family, OpenBuffDesc* address,
                             uint32_t count, uint32_t interval, uint32_t initTtl, uint32_t maxTtl, uint32_t maxFail,
                             uint32_t size, uint32_t udpPort, uint32_t srcType, uint32_t srcIntIfNum,
                             OpenBuffDesc* srcAddr, OpenBuffDesc* output)
{
    return sim::call(__func__,
                     { sim::textIn(vrfName), sim::value(family), sim::textIn(address), sim::value(count),
                       sim::value(interval), sim::value(initTtl), sim::value(maxTtl), sim::value(maxFail),
                       sim::value(size), sim::value(udpPort), sim::value(srcType), sim::value(srcIntIfNum),
                       sim::textIn(srcAddr), sim::textOut(output) },
                     [&](sim::State& state) {
                         return traceroute(state, { vrfName, family, address, srcType, srcIntIfNum, srcAddr },
                                           { count, interval, initTtl, maxTtl, maxFail, size, udpPort }, output);
                     });
}

} // extern "C"
