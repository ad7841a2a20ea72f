// Table runners and expected texts shared by the black-box group tests: one
// row is one request, checked by the call it makes or by the reply it gets.
#pragma once

#include "harness.h"

#include "../../tools/json.h"
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <span>
#include <string>

namespace expect {

// One call of the switch with its arguments after the client handle.
inline std::string call(std::string const& name, std::string const& args)
{
    return "{\"call\":\"rpcclt_openapi" + name + "\",\"args\":[" + args + "]}";
}

// The call of a row that must make none.
inline std::string const kNoCall = "(none)";

// A text descriptor as the trace shows it.
inline std::string text(std::string const& t, size_t size)
{
    return "{\"size\":" + std::to_string(size) + ",\"text\":\"" + t + "\"}";
}

// SWSIM_FAULTS forcing one call's result and, when given, its outputs.
inline std::string fault(std::string const& call, int result, std::string const& outs = "")
{
    return "{\"rpcclt_openapi" + call + "\":{\"result\":" + std::to_string(result)
        + (outs.empty() ? "" : ",\"out\":[" + outs + "]") + "}}";
}

inline std::string setReply(int code)
{
    return harness::setReply(code, harness::message(code));
}

// Data goes with success only; a failure names no group.
inline std::string getReply(int code, char const* group = nullptr, std::string const& data = "")
{
    return harness::getReply(code, harness::message(code), group, code == 0 ? data.c_str() : nullptr);
}

} // namespace expect

namespace access_cases {

using namespace harness;

// The stand-in's state, for the sections given; the rest get their defaults.
inline void seedState(char const* state)
{
    mkdir("/tmp/swsim", 0777);
    writeFile(kStatePath, state);
}

// A request checked by its whole output, by the switch calls it makes, or by
// both: an empty reply or call leaves that side unchecked, and
// expect::kNoCall expects none.
struct Exchange {
    std::string method;
    std::string resource;
    std::optional<std::string> query {};
    std::optional<std::string> body {};
    std::string reply {};
    std::string call {}; // as expect::call gives it
    std::optional<std::string> faults = std::nullopt;
};

// One row's request under base, its reply and calls left to the caller.
inline Result send(std::string const& base, Exchange const& c)
{
    return run({ .method = c.method, .uri = base + c.resource, .query = c.query, .body = c.body, .faults = c.faults });
}

// Each row under base, in order over one state, or each on the factory
// defaults when fresh.
inline void expectExchanges(std::string const& base, std::span<Exchange const> rows, bool fresh = false)
{
    for (Exchange const& c : rows) {
        SCOPED_TRACE(c.method + " " + c.resource + " " + c.query.value_or("") + " " + c.body.value_or("").substr(0, 80)
                     + " " + c.faults.value_or("").substr(0, 80));
        ASSERT_FALSE(c.reply.empty() && c.call.empty()) << "a row that checks nothing";
        if (fresh)
            unlink(kStatePath);
        clearTrace();
        Result const r = send(base, c);
        EXPECT_EQ(r.status, 0);
        if (!c.reply.empty()) {
            EXPECT_EQ(r.out, c.reply);
        }
        if (!c.call.empty()) {
            EXPECT_EQ(handlerCalls(), c.call == expect::kNoCall ? std::vector<std::string> {} : std::vector<std::string> { c.call });
        }
    }
}

// A set, then a get in the next process: the bytes sent and what is read back.
struct RoundTrip {
    std::optional<std::string> query;
    std::string body;
    int code;
    std::string sent;     // the set call's arguments
    std::string readBack; // the get reply's data
};

// Each round trip on one resource, whose calls are named calls + "Set" and
// calls + "Get"; the get call's arguments are always getArgs.
inline void expectRoundTrips(char const* uri, char const* group, std::string const& calls, std::string const& getArgs,
                             std::span<RoundTrip const> cases)
{
    for (auto const& c : cases) {
        Exchange const steps[] = {
            { "PUT", uri, c.query, c.body, expect::setReply(c.code), expect::call(calls + "Set", c.sent) },
            { "GET", uri, {}, {}, expect::getReply(0, group, c.readBack), expect::call(calls + "Get", getArgs) },
        };
        expectExchanges("", steps);
    }
}

// A member of a reply (or of any JSON text from its first "{") by its path of
// names: a string's text, any other value's compact JSON; empty when absent.
inline std::string memberOf(std::string const& text, std::initializer_list<char const*> path)
{
    size_t const start = text.find('{');
    Json const root(cJSON_Parse(start == std::string::npos ? "" : text.c_str() + start));
    cJSON const* item = root.get();
    for (char const* name : path)
        item = cJSON_GetObjectItemCaseSensitive(item, name);
    if (cJSON_IsString(item))
        return item->valuestring;
    JsonText const printed(item == nullptr ? nullptr : cJSON_PrintUnformatted(item));
    return printed ? printed.get() : "";
}

inline int countOf(std::string const& text, std::string const& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

} // namespace access_cases
