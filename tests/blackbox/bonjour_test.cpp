// The Bonjour service walks and lookups: what reaches the switch as the
// service record or index, and the walks run to their end over a seeded table.
#include "access_cases.h"

using namespace harness;

namespace {

constexpr char kWalk[] = "/api/v2/mgmt/bonjour/published-service-get-next";
constexpr char kIndexNext[] = "/api/v2/mgmt/bonjour/service-index-get-next";
constexpr char kByIndex[] = "/api/v2/mgmt/bonjour/service-get-by-index";

// Stored out of walk order, with gaps between indexes, and codes and flags
// beyond the ones the reply names.
constexpr char kSeed[] = R"({"bonjour":{"services":[
 {"index":12,"service":9,"published":0,"serviceName":"printer","serviceType":"_ipp._tcp","serviceDomain":"local","servicePort":631,"serviceText":"rp=ipp"},
 {"index":3,"service":1,"published":1,"serviceName":"web","serviceType":"_http._tcp","serviceDomain":"local","servicePort":80,"serviceText":""},
 {"index":7,"service":5,"published":2,"serviceName":"printer","serviceType":"_http._tcp","serviceDomain":"lab","servicePort":8080,"serviceText":"x=1"}]}})";

// The seeded services in walk order (name, then type), with their indexes.
constexpr std::pair<uint32_t, char const*> kWalkOrder[] = {
    { 7, R"({"service":"bonjour_service_last","published":"false","serviceName":"printer","serviceType":"_http._tcp","serviceDomain":"lab","servicePort":8080,"serviceText":"x=1"})" },
    { 12, R"({"service":"bonjour_service_generic","published":"false","serviceName":"printer","serviceType":"_ipp._tcp","serviceDomain":"local","servicePort":631,"serviceText":"rp=ipp"})" },
    { 3, R"({"service":"bonjour_service_http","published":"true","serviceName":"web","serviceType":"_http._tcp","serviceDomain":"local","servicePort":80,"serviceText":""})" },
};

std::string entryReply(std::string const& entry)
{
    return expect::getReply(0, "bonjour", "{\"pServiceEntry\":" + entry + "}");
}

// The record as the switch receives it: service and published are never sent.
std::string record(uint32_t service, std::string const& name, uint32_t port = 0, std::string const& type = "",
                   std::string const& domain = "", std::string const& text = "")
{
    return "{\"service\":" + std::to_string(service) + ",\"published\":0,\"serviceName\":\"" + name
        + "\",\"serviceType\":\"" + type + "\",\"serviceDomain\":\"" + domain + "\",\"servicePort\":"
        + std::to_string(port) + ",\"serviceText\":\"" + text + "\"}";
}

Result postQuery(char const* uri, std::optional<std::string> query, std::string const& body = "")
{
    return run({ .method = "POST", .uri = uri, .query = std::move(query), .body = body });
}

class Bonjour : public CgiTest {
protected:
    void SetUp() override
    {
        CgiTest::SetUp();
        access_cases::seedState(kSeed);
    }
};

// The index routes take the index from the query string, never the body.
TEST_F(Bonjour, BothWalksVisitEveryServiceInTheirOrderAndEndAfterTheLast)
{
    std::string body; // the first request carries no cursor
    for (auto const& [index, entry] : kWalkOrder) {
        Result r = post(kWalk, body);
        ASSERT_EQ(r.out, entryReply(entry));
        body = "{\"pServiceEntry\":" + access_cases::memberOf(r.out, { "bonjour", "pServiceEntry" }) + "}";
        EXPECT_EQ(postQuery(kByIndex, "index=" + std::to_string(index), R"({"index":4})").out, entryReply(entry));
    }
    EXPECT_EQ(post(kWalk, body).out, expect::getReply(10000));

    std::string index; // the first request carries no query
    for (uint32_t want : { 3, 7, 12 }) {
        Result r = postQuery(kIndexNext, index.empty() ? std::nullopt : std::optional("index=" + index), R"({"index":7})");
        ASSERT_EQ(r.out, expect::getReply(0, "bonjour", "{\"pNextIndex\":" + std::to_string(want) + "}"));
        index = access_cases::memberOf(r.out, { "bonjour", "pNextIndex" });
    }
    EXPECT_EQ(postQuery(kIndexNext, "index=" + index).out, expect::getReply(10000));
    EXPECT_EQ(postQuery(kByIndex, "index=4").out, expect::getReply(10000));
}

// The record each request hands the switch: the walk's cursor with its texts
// cut to their fields, the lookup's key and service from the query; and the
// switch's codes without a request text and flags other than 1 as the client
// reads them (the walks' failure form is their end's).
TEST_F(Bonjour, RequestsHandTheSwitchTheirRecordAndRepliesReadItsValues)
{
    std::string const name(100, 'n'), type(1100, 't'), domain(1100, 'd'), text(300, 'x');
    auto const walkSent = [](std::string const& sent) { return expect::call("BonjourPublishedServiceGetNext", sent); };
    auto const lookupSent = [](std::string const& sent) { return expect::call("BonjourPublishedServiceGet", sent); };
    access_cases::Exchange const rows[] = {
        { "POST", "published-service-get-next", {}, R"({"pServiceEntry":"web"})", {}, walkSent(record(0, "")) },
        { "POST", "published-service-get-next", {}, R"({"pServiceEntry":{"service":"bonjour_service_http","published":"true","serviceName":")" + name + "\"}}", {},
          walkSent(record(0, name.substr(0, 63))) },
        { "POST", "published-service-get-next", {}, R"({"pServiceEntry":{"servicePort":70000,"serviceType":")" + type + R"(","serviceDomain":")" + domain
              + R"(","serviceText":")" + text + "\"}}", {}, walkSent(record(0, "", 70000, type.substr(0, 1004), domain.substr(0, 1004), text.substr(0, 255))) },
        { "GET", "published-service", "service=http&serviceName=web", {}, entryReply(kWalkOrder[2].second), lookupSent(record(1, "web")) },
        { "GET", "published-service", "service=https&serviceName=web", {}, expect::getReply(10000), lookupSent(record(2, "web")) },
        { "GET", "published-service", "service=ssh", {}, expect::getReply(10000), lookupSent(record(4, "")) },
        { "GET", "published-service", "service=telnet&serviceName=" + name, {}, expect::getReply(10000), lookupSent(record(3, std::string(63, 'n'))) },
        { "GET", "published-service", {}, {}, expect::getReply(10000), lookupSent(record(0, "")) },
        // The index from the query only, 0 without one.
        { "POST", "service-get-by-index", {}, R"({"index":7})", {}, expect::call("BonjourServiceGetByIndex", "0," + record(0, "")) },
        { "POST", "service-get-by-index", {}, {}, entryReply(R"({"service":"bonjour_service_generic","published":"false","serviceName":"n","serviceType":"","serviceDomain":"","servicePort":4294967295,"serviceText":""})"), {},
          R"({"rpcclt_openapiBonjourServiceGetByIndex":{"out":[{"service":9,"published":2,"serviceName":"n","servicePort":4294967295}]}})" },
    };
    access_cases::expectExchanges("/api/v2/mgmt/bonjour/", rows);
}

} // namespace
