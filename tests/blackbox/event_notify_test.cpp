// Event notification: client registration and event subscriptions as they
// reach the switch, the counts refused before any call, and the life of a
// registration across processes.
#include "access_cases.h"

using namespace harness;

namespace {

// The subscription block as the trace shows it, after the client and the count.
std::string block(std::vector<std::string> const& entries)
{
    std::string list;
    for (auto const& entry : entries)
        list += (list.empty() ? "[" : ",[") + entry + "]";
    return "," + std::to_string(entries.size()) + ",{\"size\":" + std::to_string(entries.size() * 12)
        + ",\"entries\":[" + list + "]}";
}

std::string line(char const* call, std::string const& args = "")
{
    return expect::call(std::string("EventNotify") + call, "0" + args);
}

struct Step {
    char const* resource;
    std::string body;
    int code;
    std::optional<std::string> sent; // the one call made, if any
};

class EventNotify : public CgiTest {
protected:
    void runSteps(std::span<Step const> steps)
    {
        for (auto const& s : steps) {
            SCOPED_TRACE(std::string(s.resource) + " " + s.body.substr(0, 80));
            clearTrace();
            EXPECT_EQ(post(std::string("/api/v2/mgmt/event-notify/") + s.resource, s.body).out, expect::setReply(s.code));
            EXPECT_EQ(handlerCalls(), s.sent ? std::vector<std::string> { *s.sent } : std::vector<std::string> {});
        }
    }
};

TEST_F(EventNotify, RegistrationsLiveUntilUndoneAndEachUndoNeedsOne)
{
    std::string const d(300, 'd');
    Step const steps[] = {
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":[{}]})", 10000, line("EventRegister", block({ "0,0,0" })) },
        { "deregister", "", 10000, line("EventDeregister") },
        { "client-deregister", "", 10000, line("ClientDeregister") },
        { "client-register", "{}", 10003, line("ClientRegister", R"(,{"size":1,"text":""})") },
        { "client-register", R"({"clientDescription":")" + d + "\"}", 0, line("ClientRegister", "," + expect::text(d.substr(0, 255), 256)) },
        { "client-register", R"({"CLIENTDESCRIPTION":"nms"})", 10011, line("ClientRegister", "," + expect::text("nms", 4)) },
        { "deregister", "", 10000, line("EventDeregister") },
        { "register", R"({"numOfNotifyEvents":33,"eventNotifyCfg":[]})", 10000, line("EventRegister", block(std::vector<std::string>(33, "0,0,0"))) },
        { "register", R"({"numOfNotifyEvents":2,"eventNotifyCfg":[{"eventType":5,"timeout":30,"eventCount":1}]})", 0, line("EventRegister", block({ "5,30,1", "0,0,0" })) },
        { "deregister", "{not json", 0, line("EventDeregister") },
        { "deregister", "", 10000, line("EventDeregister") },
        { "client-deregister", "", 0, line("ClientDeregister") },
        { "client-deregister", "", 10000, line("ClientDeregister") },
        { "data-receive", "{not json", 17002, std::nullopt },
    };
    runSteps(steps);
}

TEST_F(EventNotify, SubscriptionsTakeTheFirstNEntries)
{
    ASSERT_EQ(post("/api/v2/mgmt/event-notify/client-register", R"({"clientDescription":"nms"})").out, expect::setReply(0));
    Step const steps[] = {
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":[{"eventType":1},{"eventType":2}]})", 0, line("EventRegister", block({ "1,0,0" })) },
        { "register", R"({"NumOfNotifyEvents":2,"EVENTNOTIFYCFG":[{"EventType":3,"timeout":70000,"eventCount":7}]})", 0, line("EventRegister", block({ "3,70000,7", "0,0,0" })) },
        { "register", R"({"numOfNotifyEvents":3,"eventNotifyCfg":[5,{"eventType":4},[1]]})", 0, line("EventRegister", block({ "0,0,0", "4,0,0", "0,0,0" })) },
        { "register", R"({"numOfNotifyEvents":0,"eventNotifyCfg":[{}]})", 10003, std::nullopt },
        { "register", R"({"eventNotifyCfg":[{}]})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":1,"eventNotifyCfg":{"eventType":1}})", 10003, std::nullopt },
        { "register", R"({"numOfNotifyEvents":1})", 10003, std::nullopt },
        // One entry more than a 32-bit descriptor size can hold.
        { "register", R"({"numOfNotifyEvents":357913942,"eventNotifyCfg":[]})", 10003, std::nullopt },
    };
    runSteps(steps);
}

} // namespace
