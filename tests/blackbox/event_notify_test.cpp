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

class EventNotify : public CgiTest {};

constexpr char kBase[] = "/api/v2/mgmt/event-notify/";

TEST_F(EventNotify, RegistrationsLiveUntilUndoneAndSubscriptionsTakeTheFirstNEntries)
{
    std::string const d(300, 'd');
    access_cases::Exchange const steps[] = {
        { "POST", "register", {}, R"({"numOfNotifyEvents":1,"eventNotifyCfg":[{}]})", expect::setReply(10000), line("EventRegister", block({ "0,0,0" })) },
        { "POST", "deregister", {}, "", expect::setReply(10000), line("EventDeregister") },
        { "POST", "client-register", {}, "{}", expect::setReply(10003), line("ClientRegister", R"(,{"size":1,"text":""})") },
        { "POST", "client-register", {}, R"({"clientDescription":")" + d + "\"}", expect::setReply(0), line("ClientRegister", "," + expect::text(d.substr(0, 255), 256)) },
        { "POST", "client-register", {}, R"({"CLIENTDESCRIPTION":"nms"})", expect::setReply(10011), line("ClientRegister", "," + expect::text("nms", 4)) },
        { "POST", "deregister", {}, "", expect::setReply(10000), line("EventDeregister") },
        { "POST", "register", {}, R"({"numOfNotifyEvents":33,"eventNotifyCfg":[]})", expect::setReply(10000), line("EventRegister", block(std::vector<std::string>(33, "0,0,0"))) },
        { "POST", "register", {}, R"({"numOfNotifyEvents":2,"eventNotifyCfg":[{"eventType":5,"timeout":30,"eventCount":1}]})", expect::setReply(0), line("EventRegister", block({ "5,30,1", "0,0,0" })) },
        { "POST", "deregister", {}, "{not json", expect::setReply(0), line("EventDeregister") },
        { "POST", "deregister", {}, "", expect::setReply(10000), line("EventDeregister") },
        { "POST", "client-deregister", {}, "", expect::setReply(0), line("ClientDeregister") },
        { "POST", "client-deregister", {}, "", expect::setReply(10000), line("ClientDeregister") },
        { "POST", "data-receive", {}, "{not json", expect::setReply(17002), expect::kNoCall },
        // Subscriptions take the first N entries; a count or block that is
        // missing, 0 or too large is refused before any call.
        { "POST", "client-register", {}, R"({"clientDescription":"nms"})", expect::setReply(0) },
        { "POST", "register", {}, R"({"numOfNotifyEvents":1,"eventNotifyCfg":[{"eventType":1},{"eventType":2}]})", expect::setReply(0), line("EventRegister", block({ "1,0,0" })) },
        { "POST", "register", {}, R"({"NumOfNotifyEvents":2,"EVENTNOTIFYCFG":[{"EventType":3,"timeout":70000,"eventCount":7}]})", expect::setReply(0), line("EventRegister", block({ "3,70000,7", "0,0,0" })) },
        { "POST", "register", {}, R"({"numOfNotifyEvents":3,"eventNotifyCfg":[5,{"eventType":4},[1]]})", expect::setReply(0), line("EventRegister", block({ "0,0,0", "4,0,0", "0,0,0" })) },
        { "POST", "register", {}, R"({"numOfNotifyEvents":0,"eventNotifyCfg":[{}]})", expect::setReply(10003), expect::kNoCall },
        { "POST", "register", {}, R"({"numOfNotifyEvents":1,"eventNotifyCfg":{"eventType":1}})", expect::setReply(10003), expect::kNoCall },
        // One entry more than a 32-bit descriptor size can hold.
        { "POST", "register", {}, R"({"numOfNotifyEvents":357913942,"eventNotifyCfg":[]})", expect::setReply(10003), expect::kNoCall },
    };
    access_cases::expectExchanges(kBase, steps);
}

} // namespace
