// The Bonjour service walks and lookups: what reaches the switch as the
// service record or index, and the walks run to their end over a seeded table.
#include "harness.h"

#include <cjson/cJSON.h>
#include <sys/stat.h>

#include <algorithm>

using namespace harness;

namespace {

constexpr char kWalk[] = "/api/v2/mgmt/bonjour/published-service-get-next";
constexpr char kLookup[] = "/api/v2/mgmt/bonjour/published-service";
constexpr char kIndexNext[] = "/api/v2/mgmt/bonjour/service-index-get-next";
constexpr char kByIndex[] = "/api/v2/mgmt/bonjour/service-get-by-index";

// Stored out of walk order, with indexes that leave gaps, and codes and flags
// beyond the ones the reply names.
constexpr char kSeed[] = R"({"bonjour":{"services":[
 {"index":12,"service":9,"published":0,"serviceName":"printer","serviceType":"_ipp._tcp","serviceDomain":"local","servicePort":631,"serviceText":"rp=ipp"},
 {"index":3,"service":1,"published":1,"serviceName":"web","serviceType":"_http._tcp","serviceDomain":"local","servicePort":80,"serviceText":""},
 {"index":7,"service":5,"published":2,"serviceName":"printer","serviceType":"_http._tcp","serviceDomain":"lab","servicePort":8080,"serviceText":"x=1"}]}})";

// The replies of the seeded services, in walk order: name, then type.
constexpr char const* kSeedInWalkOrder[] = {
    R"({"service":"bonjour_service_last","published":"false","serviceName":"printer","serviceType":"_http._tcp","serviceDomain":"lab","servicePort":8080,"serviceText":"x=1"})",
    R"({"service":"bonjour_service_generic","published":"false","serviceName":"printer","serviceType":"_ipp._tcp","serviceDomain":"local","servicePort":631,"serviceText":"rp=ipp"})",
    R"({"service":"bonjour_service_http","published":"true","serviceName":"web","serviceType":"_http._tcp","serviceDomain":"local","servicePort":80,"serviceText":""})",
};
constexpr uint32_t kSeedIndexes[] = { 7, 12, 3 }; // of the same services

std::string entryData(std::string const& entry)
{
    return "{\"pServiceEntry\":" + entry + "}";
}

std::string record(uint32_t service, std::string const& name, uint32_t port = 0, std::string const& type = "",
                   std::string const& domain = "", std::string const& text = "")
{
    return "{\"service\":" + std::to_string(service) + ",\"published\":0,\"serviceName\":\"" + name
        + "\",\"serviceType\":\"" + type + "\",\"serviceDomain\":\"" + domain + "\",\"servicePort\":"
        + std::to_string(port) + ",\"serviceText\":\"" + text + "\"}";
}

std::string callLine(char const* call, std::string const& args)
{
    return std::string("{\"call\":\"rpcclt_openapiBonjour") + call + "\",\"args\":[" + args + "]}";
}

// The compact text of a reply's member, as the next request sends it back.
std::string memberText(std::string const& out, char const* member)
{
    cJSON* root = cJSON_Parse(out.substr(out.find('{')).c_str());
    char* printed = cJSON_PrintUnformatted(cJSON_GetObjectItem(cJSON_GetObjectItem(root, "bonjour"), member));
    std::string text = printed != nullptr ? printed : "";
    cJSON_free(printed);
    cJSON_Delete(root);
    return text;
}

class Bonjour : public CgiTest {
protected:
    void SetUp() override
    {
        CgiTest::SetUp();
        mkdir("/tmp/swsim", 0777);
        writeFile(kStatePath, kSeed);
    }
};

TEST_F(Bonjour, CursorWalkSendsEachReplyBackAndEndsAfterTheLastService)
{
    std::string body; // the first request carries no cursor
    for (char const* want : kSeedInWalkOrder) {
        Result r = post(kWalk, body);
        ASSERT_EQ(r.out, getReply(0, "Success", "bonjour", entryData(want).c_str()));
        body = "{\"pServiceEntry\":" + memberText(r.out, "pServiceEntry") + "}";
    }
    EXPECT_EQ(post(kWalk, body).out, getReply(10000, "General Failed"));
}

TEST_F(Bonjour, IndexWalkVisitsEveryIndexInOrderAndEachReadsItsService)
{
    std::vector<uint32_t> sorted(std::begin(kSeedIndexes), std::end(kSeedIndexes));
    std::sort(sorted.begin(), sorted.end());
    std::string index = "0";
    for (uint32_t want : sorted) {
        Result r = run({ .method = "POST", .uri = kIndexNext, .query = "index=" + index });
        ASSERT_EQ(r.out, getReply(0, "Success", "bonjour", ("{\"pNextIndex\":" + std::to_string(want) + "}").c_str()));
        index = memberText(r.out, "pNextIndex");
    }
    EXPECT_EQ(run({ .method = "POST", .uri = kIndexNext, .query = "index=" + index }).out, getReply(10000, "General Failed"));

    for (size_t k = 0; k < std::size(kSeedIndexes); ++k) {
        SCOPED_TRACE(kSeedIndexes[k]);
        Result r = run({ .method = "POST", .uri = kByIndex, .query = "index=" + std::to_string(kSeedIndexes[k]) });
        EXPECT_EQ(r.out, getReply(0, "Success", "bonjour", entryData(kSeedInWalkOrder[k]).c_str()));
    }
    EXPECT_EQ(run({ .method = "POST", .uri = kByIndex, .query = "index=4" }).out, getReply(10000, "General Failed"));
}

struct CursorCase {
    char const* name;
    std::string body;
    std::string sent; // the record as the switch receives it
};

TEST_F(Bonjour, CursorTakesTextsCutToTheirFieldsAndTheSaturatedPortOnly)
{
    std::string const longName(100, 'n'), longType(1100, 't'), longDomain(1100, 'd'), longText(300, 'x');
    CursorCase const cases[] = {
        { "no body", "", record(0, "") },
        { "not json", "{\"pServiceEntry\":", record(0, "") },
        { "cursor not an object", R"({"pServiceEntry":"web"})", record(0, "") },
        { "code and flag ignored, name cut, negative port",
          R"({"pServiceEntry":{"service":"bonjour_service_http","published":"true","servicePort":-5,"serviceName":")"
              + longName + "\"}}",
          record(0, longName.substr(0, 63)) },
        { "port above 16 bits", R"({"pServiceEntry":{"servicePort":70000}})", record(0, "", 70000) },
        { "every text cut, port saturated",
          R"({"pServiceEntry":{"servicePort":1e10,"serviceType":")" + longType + R"(","serviceDomain":")" + longDomain
              + R"(","serviceText":")" + longText + "\"}}",
          record(0, "", 4294967295u, longType.substr(0, 1004), longDomain.substr(0, 1004), longText.substr(0, 255)) },
        { "names without case, texts only as strings", R"({"PSERVICEENTRY":{"SERVICENAME":"web","serviceType":5}})",
          record(0, "web") },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        clearTrace();
        post(kWalk, c.body);
        EXPECT_EQ(handlerCalls(), std::vector<std::string> { callLine("PublishedServiceGetNext", c.sent) });
    }
}

struct LookupCase {
    std::optional<std::string> query;
    std::string sent;
    int code;
};

TEST_F(Bonjour, LookupKeyComesFromTheFirstParameterContainingEachName)
{
    LookupCase const cases[] = {
        { "service=http&serviceName=web", record(1, "web"), 0 },
        { "serviceName=web&service=http", record(0, "web"), 10000 }, // "service" first matches serviceName=web
        { "service=HTTP&serviceName=web", record(0, "web"), 10000 },
        { "service=https&serviceName=web", record(2, "web"), 10000 },
        { "service=ssh", record(4, ""), 10000 },
        { "service=telnet&serviceName=" + std::string(100, 'n'), record(3, std::string(63, 'n')), 10000 },
        { std::nullopt, record(0, ""), 10000 },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.query.value_or("(unset)"));
        clearTrace();
        Result r = get(kLookup, c.query);
        EXPECT_EQ(handlerCalls(), std::vector<std::string> { callLine("PublishedServiceGet", c.sent) });
        EXPECT_EQ(r.out, c.code == 0 ? getReply(0, "Success", "bonjour", entryData(kSeedInWalkOrder[2]).c_str())
                                     : getReply(c.code, "General Failed"));
    }
}

struct IndexCase {
    std::optional<std::string> query;
    uint32_t sent;
};

TEST_F(Bonjour, IndexComesFromTheQueryStringEvenWithABody)
{
    IndexCase const cases[] = {
        { std::nullopt, 0 }, { "", 0 }, { "index=12", 12 }, { "index=-1", 4294967295u },
        { "index=abc", 0 }, { "index=4294967299", 3 }, { "myindex=5&index=7", 5 }, { "index", 0 },
    };
    std::string const zero = record(0, "");
    for (auto const& c : cases) {
        SCOPED_TRACE(c.query.value_or("(unset)"));
        clearTrace();
        std::string const index = std::to_string(c.sent);
        run({ .method = "POST", .uri = kIndexNext, .query = c.query, .body = R"({"index":7})" });
        run({ .method = "POST", .uri = kByIndex, .query = c.query, .body = R"({"index":7})" });
        EXPECT_EQ(handlerCalls(),
                  (std::vector<std::string> { callLine("ServiceIndexGetNext", index + ",0"), callLine("ServiceGetByIndex", index + "," + zero) }));
    }
}

// Each reply form when the switch answers with odd values or fails.
TEST_F(Bonjour, SwitchValuesAndFailuresReachTheClientInTheirForm)
{
    auto const forced = [](uint32_t service, uint32_t published) {
        return R"({"rpcclt_openapiBonjourServiceGetByIndex":{"out":[{"service":)" + std::to_string(service)
            + ",\"published\":" + std::to_string(published) + R"(,"serviceName":"n","servicePort":4294967295}]}})";
    };
    struct {
        uint32_t service, published;
        char const* reply;
    } const cases[] = {
        { 5, 1, R"({"service":"bonjour_service_last","published":"true",)" },
        { 9, 0, R"({"service":"bonjour_service_generic","published":"false",)" },
        { 4, 2, R"({"service":"bonjour_service_ssh","published":"false",)" },
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.service);
        std::string const entry = std::string(c.reply)
            + R"("serviceName":"n","serviceType":"","serviceDomain":"","servicePort":4294967295,"serviceText":""})";
        EXPECT_EQ(run({ .method = "POST", .uri = kByIndex, .faults = forced(c.service, c.published) }).out,
                  getReply(0, "Success", "bonjour", entryData(entry).c_str()));
    }
    EXPECT_EQ(run({ .method = "POST", .uri = kWalk, .faults = R"({"rpcclt_openapiBonjourPublishedServiceGetNext":-28})" }).out,
              getReply(17002, "Unsupported Feature"));
    EXPECT_EQ(run({ .method = "POST", .uri = kIndexNext, .faults = R"({"rpcclt_openapiBonjourServiceIndexGetNext":-29})" }).out,
              getReply(10023, "Request api not found"));
}

} // namespace
