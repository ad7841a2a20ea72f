// Event notification: client registration and event subscriptions as they
// reach the switch, the counts refused before any call, and the life of a
// registration across processes.
#include "harness.h"

#include <span>

using namespace harness;

namespace {

constexpr char kBase[] = "/api/v2/mgmt/event-notify/";

std::string callLine(char const* call, std::string const& args)
{
    return std::string("{\"call\":\"rpcclt_openapiEventNotify") + call + "\",\"args\":[0" + args + "]}";
}

Result notify(char const* resource, std::string const& body)
{
    return post(std::string(kBase) + resource, body);
}

std::string reply(int code)
{
    switch (code) {
    case 0: return setReply(0, "Success");
    case 10000: return setReply(10000, "General Failed");
    case 10003: return setReply(10003, "Invalid argument");
    case 10011: return setReply(10011, "Object exist");
    }
    return setReply(17002, "Unsupported Feature");
}

struct Step {
    char const* resource;
    std::string body;
    int code;
    std::optional<std::string> sent; // the call's arguments after the client; none: no call
};

struct ResourceCall {
    char const* resource;
    char const* call;
};
constexpr ResourceCall kCalls[] = {
    { "client-register", "ClientRegister" },
    { "client-deregister", "ClientDeregister" },
    { "register", "EventRegister" },
    { "deregister", "EventDeregister" },
};

char const* callOf(char const* resource)
{
    for (auto const& row : kCalls)
        if (std::string(row.resource) == resource)
            return row.call;
    return "";
}

class EventNotify : public CgiTest {
protected:
    void runSteps(std::span<Step const> steps)
    {
        for (auto const& s : steps) {
            SCOPED_TRACE(std::string(s.resource) + " " + s.body);
            clearTrace();
            EXPECT_EQ(notify(s.resource, s.body).out, reply(s.code));
            std::vector<std::string> want;
            if (s.sent)
                want.push_back(callLine(callOf(s.resource), *s.sent));
            EXPECT_EQ(handlerCalls(), want);
        }
    }
};

// The block as the trace shows it, from its entries' texts.
std::string events(std::vector<std::string> const& entries)
{
    std::string list;
    for (auto const& entry : entries)
        list += (list.empty() ? "[" : ",[") + entry + "]";
    return ",{\"size\":" + std::to_string(entries.size() * 12) + ",\"entries\":[" + list + "]}";
}

TEST_F(EventNotify, RegistrationsLiveUntilUndoneAndEachUndoNeedsOne)
{
    std::string const d300(300, 'd');
    Step const steps[] = {
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":[{}]})", 10000, ",1" + events({ "0,0,0" }) },
        { "deregister", "", 10000, "" },
        { "client-deregister", "", 10000, "" },
        { "client-register", "{}", 10003, R"(,{"size":1,"text":""})" },
        { "client-register", R"({"clientDescription":")" + d300 + "\"}", 0, R"(,{"size":256,"text":")" + d300.substr(0, 255) + "\"}" },
        { "client-register", R"({"CLIENTDESCRIPTION":"nms"})", 10011, R"(,{"size":4,"text":"nms"})" },
        { "deregister", "", 10000, "" },
        { "register", R"({"numOfNotifyEvents":33,"eventNotifyCfg":[]})", 10000, ",33" + events(std::vector<std::string>(33, "0,0,0")) },
        { "register", R"({"numOfNotifyEvents":2,"eventNotifyCfg":[{"eventType":5,"timeout":30,"eventCount":1}]})", 0,
          ",2" + events({ "5,30,1", "0,0,0" }) },
        { "deregister", "{not json", 0, "" },
        { "deregister", "", 10000, "" },
        { "client-deregister", "", 0, "" },
        { "client-deregister", "", 10000, "" },
    };
    runSteps(steps);
}

TEST_F(EventNotify, SubscriptionsTakeTheFirstNEntriesAsSaturatedNumbers)
{
    ASSERT_EQ(notify("client-register", R"({"clientDescription":"nms"})").out, reply(0));
    Step const steps[] = {
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":[{"eventType":1},{"eventType":2},{"eventType":3}]})", 0,
          ",1" + events({ "1,0,0" }) },
        { "register", R"({"NumOfNotifyEvents":2.9,"EVENTNOTIFYCFG":[{"EventType":-3,"timeout":1e10,"eventCount":"7"}]})", 0,
          ",2" + events({ "0,4294967295,0", "0,0,0" }) },
        { "register", R"({"numOfNotifyEvents":3,"eventNotifyCfg":[5,{"eventType":4294967295.9},[1]]})", 0,
          ",3" + events({ "0,0,0", "4294967295,0,0", "0,0,0" }) },
        { "register", R"({"numOfNotifyEvents":0,"eventNotifyCfg":[{}]})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":-1,"eventNotifyCfg":[{}]})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":"2","eventNotifyCfg":[{}]})", 10003, std::nullopt },
        { "register", R"({"eventNotifyCfg":[{}]})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":{"eventType":1}})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":1})", 10003, std::nullopt },
        // 357913942 entries are one more than a 32-bit size can describe.
        { "register", R"({"numOfNotifyEvents":357913942,"eventNotifyCfg":[]})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":1e12,"eventNotifyCfg":[]})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":[]} x)", 10003, std::nullopt },
        { "register", "", 10003, std::nullopt },
        { "client-register", "[", 10003, std::nullopt },
    };
    runSteps(steps);
}

TEST_F(EventNotify, DataReceiveIsUnsupportedWhateverTheRequest)
{
    for (char const* body : { "", "{}", "{not json", R"({"numOfNotifyEvents":1})" }) {
        SCOPED_TRACE(body);
        clearTrace();
        EXPECT_EQ(notify("data-receive", body).out, reply(17002));
        EXPECT_TRUE(handlerCalls().empty());
    }
}

TEST_F(EventNotify, SwitchFailureIsAnsweredStatusOnly)
{
    EXPECT_EQ(run({ .method = "POST", .uri = std::string(kBase) + "client-deregister",
                    .faults = R"({"rpcclt_openapiEventNotifyClientDeregister":-28})" })
                  .out,
              reply(17002));
    EXPECT_EQ(run({ .method = "POST", .uri = std::string(kBase) + "register",
                    .body = R"({"numOfNotifyEvents":1,"eventNotifyCfg":[]})",
                    .faults = R"({"rpcclt_openapiEventNotifyEventRegister":-22})" })
                  .out,
              reply(10003));
}

} // namespace
