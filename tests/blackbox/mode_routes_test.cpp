// The on/off switches of the Bonjour and cloud management groups: one family,
// "mode" in, 1 only for the exact string "enable", read back as a mode text.
#include "access_cases.h"

using namespace harness;

namespace {

struct ModeRoute {
    char const* uri;
    char const* group;
    char const* member; // of the GET reply
    char const* calls;  // the calls' common name, before "Set" and "Get"
};

constexpr ModeRoute kRoutes[] = {
    { "/api/v2/mgmt/bonjour/admin-mode", "bonjour", "pMode", "BonjourAdminMode" },
    { "/api/v2/mgmt/bonjour/debug-level1", "bonjour", "pMode", "BonjourDebugLevel1" },
    { "/api/v2/mgmt/bonjour/debug-level2", "bonjour", "pMode", "BonjourDebugLevel2" },
    { "/api/v2/mgmt/cloud-managed/mode", "cloudManaged", "mode", "CloudManagedMode" },
    { "/api/v2/mgmt/cloud-managed/oper-mode", "cloudManaged", "mode", "CloudManagedOperMode" },
};

// Alternating values, so that every row changes what the switch holds; the
// mode reader's own rules are its unit test's.
constexpr std::pair<char const*, int> kBodies[] = {
    { R"({"mode":"enable"})", 1 }, { R"({"mode":"disable"})", 0 },
};

std::string modeData(ModeRoute const& route, int value)
{
    return std::string("{\"") + route.member + "\":\"" + (value == 1 ? "enable" : "disable") + "\"}";
}

class ModeRoutes : public CgiTest {};

TEST_F(ModeRoutes, SetSendsOneOnlyForExactEnableAndTheNextProcessReadsItBack)
{
    for (auto const& route : kRoutes) {
        std::vector<access_cases::RoundTrip> cases;
        for (auto const& [body, sent] : kBodies)
            cases.push_back({ std::nullopt, body, 0, std::to_string(sent), modeData(route, sent) });
        access_cases::expectRoundTrips(route.uri, route.group, route.calls, "0", cases);
    }
}

// Only 1 reads as enabled; failures keep their reply form and drop the group.
TEST_F(ModeRoutes, BadBodiesSwitchValuesAndFailuresReachTheClientInTheirForm)
{
    for (auto const& route : kRoutes) {
        SCOPED_TRACE(route.uri);
        clearTrace();
        EXPECT_EQ(put(route.uri, R"({"mode":"enable"} x)").out, expect::setReply(10003)); // the parse's rules are its unit test's
        EXPECT_TRUE(handlerCalls().empty());
        EXPECT_EQ(run({ .uri = route.uri, .faults = expect::fault(route.calls + std::string("Get"), 0, "2") }).out,
                  expect::getReply(0, route.group, modeData(route, 2)));
        EXPECT_EQ(run({ .uri = route.uri, .faults = expect::fault(route.calls + std::string("Get"), -28) }).out, expect::getReply(17002));
        EXPECT_EQ(run({ .method = "PUT", .uri = route.uri, .body = "{}", .faults = expect::fault(route.calls + std::string("Set"), -22) }).out, expect::setReply(10003));
    }
}

} // namespace
