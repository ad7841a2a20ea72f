// The on/off switches of the Bonjour and cloud management groups: one family,
// "mode" in, 1 only for the exact string "enable", read back as a mode text.
#include "harness.h"

using namespace harness;

namespace {

struct ModeRoute {
    char const* uri;
    char const* group;
    char const* member; // of the GET reply
    char const* setCall;
    char const* getCall;
};

constexpr ModeRoute kRoutes[] = {
    { "/api/v2/mgmt/bonjour/admin-mode", "bonjour", "pMode", "rpcclt_openapiBonjourAdminModeSet",
      "rpcclt_openapiBonjourAdminModeGet" },
    { "/api/v2/mgmt/bonjour/debug-level1", "bonjour", "pMode", "rpcclt_openapiBonjourDebugLevel1Set",
      "rpcclt_openapiBonjourDebugLevel1Get" },
    { "/api/v2/mgmt/bonjour/debug-level2", "bonjour", "pMode", "rpcclt_openapiBonjourDebugLevel2Set",
      "rpcclt_openapiBonjourDebugLevel2Get" },
    { "/api/v2/mgmt/cloud-managed/mode", "cloudManaged", "mode", "rpcclt_openapiCloudManagedModeSet",
      "rpcclt_openapiCloudManagedModeGet" },
    { "/api/v2/mgmt/cloud-managed/oper-mode", "cloudManaged", "mode", "rpcclt_openapiCloudManagedOperModeSet",
      "rpcclt_openapiCloudManagedOperModeGet" },
};

struct ModeBody {
    char const* body;
    int sent;
};

// Alternating values, so that every row changes what the switch holds.
constexpr ModeBody kBodies[] = {
    { R"({"mode":"enable"})", 1 },
    { R"({"mode":"Enable"})", 0 },
    { R"({"MODE":"enable"})", 1 },
    { R"({"mode":true})", 0 },
    { R"({"Mode":"enable","mode":"disable"})", 1 },
    { R"({"mode":1})", 0 },
    { R"({"mode":"enable"} )", 1 },
    { "{}", 0 },
    { R"({"mode":"enable"})", 1 },
    { R"([{"mode":"enable"}])", 0 },
    { R"({"mode":"enable"})", 1 },
    { "5", 0 },
};

constexpr char const* kUnparsable[] = { "", "{", R"({"mode":"enable"} x)", R"({"mode":"enable"}{})" };

std::string callLine(char const* call, std::string const& args)
{
    return std::string("{\"call\":\"") + call + "\",\"args\":[" + args + "]}";
}

std::string modeData(ModeRoute const& route, int value)
{
    return std::string("{\"") + route.member + "\":\"" + (value == 1 ? "enable" : "disable") + "\"}";
}

class ModeRoutes : public CgiTest {};

TEST_F(ModeRoutes, SetSendsOneOnlyForExactEnableAndTheNextProcessReadsItBack)
{
    for (auto const& route : kRoutes) {
        for (auto const& c : kBodies) {
            SCOPED_TRACE(std::string(route.uri) + " " + c.body);
            clearTrace();
            EXPECT_EQ(put(route.uri, c.body).out, setReply(0, "Success"));
            EXPECT_EQ(handlerCalls(), std::vector<std::string> { callLine(route.setCall, std::to_string(c.sent)) });
            EXPECT_EQ(get(route.uri).out, getReply(0, "Success", route.group, modeData(route, c.sent).c_str()));
        }
    }
}

TEST_F(ModeRoutes, BodyThatIsNotOneJsonValueIsRefusedWithoutCallingTheSwitch)
{
    for (auto const& route : kRoutes) {
        for (char const* body : kUnparsable) {
            SCOPED_TRACE(std::string(route.uri) + " " + body);
            clearTrace();
            EXPECT_EQ(put(route.uri, body).out, setReply(10003, "Invalid argument"));
            EXPECT_TRUE(handlerCalls().empty());
        }
    }
}

// Only 1 reads as enabled; failures keep their reply form and drop the group.
TEST_F(ModeRoutes, SwitchValuesAndFailuresReachTheClientInTheirForm)
{
    for (auto const& route : kRoutes) {
        SCOPED_TRACE(route.uri);
        std::string const get2 = std::string("{\"") + route.getCall + "\":{\"out\":[2]}}";
        EXPECT_EQ(run({ .uri = route.uri, .faults = get2 }).out, getReply(0, "Success", route.group, modeData(route, 2).c_str()));
        std::string const getFails = std::string("{\"") + route.getCall + "\":-28}";
        EXPECT_EQ(run({ .uri = route.uri, .faults = getFails }).out, getReply(17002, "Unsupported Feature"));
        std::string const setFails = std::string("{\"") + route.setCall + "\":-22}";
        EXPECT_EQ(run({ .method = "PUT", .uri = route.uri, .body = "{}", .faults = setFails }).out,
                  setReply(10003, "Invalid argument"));
    }
}

} // namespace
