// Table runners and expected texts shared by the black-box group tests: one
// row is one request, checked by the call it makes or by the reply it gets.
#pragma once

#include "harness.h"

#include <cjson/cJSON.h>
#include <sys/stat.h>

#include <optional>
#include <span>
#include <string>

namespace access_cases {

using namespace harness;

inline std::optional<std::string> given(char const* text)
{
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

inline Result request(char const* method, std::string const& uri, char const* body, char const* query = nullptr,
                      char const* faults = nullptr)
{
    return run({ .method = method, .uri = uri, .query = given(query), .body = given(body), .faults = given(faults) });
}

// The stand-in's state, for the sections given; the rest get their defaults.
inline void seedState(char const* state)
{
    mkdir("/tmp/swsim", 0777);
    writeFile(kStatePath, state);
}

// A request and the one switch call it must make, as the trace records it.
struct CallCase {
    char const* name;
    char const* method;
    char const* resource;
    char const* body;
    char const* call;
    char const* query = nullptr;
};

inline void expectCalls(std::string const& base, std::span<CallCase const> cases)
{
    for (CallCase const& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.resource);
        clearTrace();
        Result const r = request(c.method, base + c.resource, c.body, c.query);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(handlerCalls(), std::vector<std::string> { c.call });
    }
}

// A request and its whole reply. Replies with data, replies to a GET, and
// every reply of a group whose failures all take the get form (setsLikeGets)
// have no line end; the rest are status only, with one.
struct ReplyCase {
    char const* name;
    char const* method;
    char const* resource;
    char const* body;
    int code;
    char const* data = nullptr; // compact JSON of the group's object
    char const* faults = nullptr;
};

inline void expectReplies(std::string const& base, char const* group, std::span<ReplyCase const> cases,
                          bool setsLikeGets = false)
{
    for (ReplyCase const& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.method + " " + c.resource);
        Result const r = request(c.method, base + c.resource, c.body, nullptr, c.faults);
        bool const getForm = std::string(c.method) == "GET" || c.data != nullptr || setsLikeGets;
        EXPECT_EQ(r.out, getForm ? getReply(c.code, message(c.code), group, c.data)
                                 : setReply(c.code, message(c.code)));
    }
}

// The "output" text of a successful diagnostics reply; empty otherwise.
inline std::string outputOf(Result const& r, char const* group)
{
    std::string const body = r.out.substr(std::min(r.out.size(), std::string(kJsonHeader).size()));
    cJSON* root = cJSON_Parse(body.c_str());
    cJSON const* output = cJSON_GetObjectItemCaseSensitive(cJSON_GetObjectItemCaseSensitive(root, group), "output");
    std::string text = cJSON_IsString(output) ? output->valuestring : "";
    cJSON_Delete(root);
    return text;
}

inline int countOf(std::string const& text, std::string const& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// A body that does not parse as one JSON value answers 10003 with a line end,
// without calling the switch.
inline void expectRefusedWithoutCall(std::string const& uri, std::initializer_list<char const*> bodies)
{
    for (char const* body : bodies) {
        SCOPED_TRACE(body);
        clearTrace();
        EXPECT_EQ(post(uri, body).out, setReply(10003, "Invalid argument"));
        EXPECT_TRUE(handlerCalls().empty());
    }
}

// A diagnostics call that fills its whole buffer is read to size - 1 bytes.
inline void expectOutputWithin(std::string const& uri, char const* call, char const* group, size_t size)
{
    std::string const faults = std::string(R"({")") + call + R"(":{"out":[")" + std::string(size + 100, 'x') + "\"]}}";
    Result const r = request("POST", uri, "{}", nullptr, faults.c_str());
    EXPECT_EQ(outputOf(r, group), std::string(size - 1, 'x'));
}

// A run of ping or traceroute on the stand-in: its code and, on success, a
// part of its text and how often a marker occurs in it.
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

inline void expectRuns(std::string const& base, char const* group, std::span<RunCase const> cases, bool failuresLikeGets)
{
    for (RunCase const& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ": " + c.resource);
        Result const r = request("POST", base + c.resource, c.body, c.query);
        if (c.code != 0) {
            std::string const text = message(c.code);
            EXPECT_EQ(r.out, failuresLikeGets ? getReply(c.code, text) : setReply(c.code, text));
            continue;
        }
        std::string const output = outputOf(r, group);
        EXPECT_NE(output.find(c.has), std::string::npos) << r.out;
        EXPECT_EQ(countOf(output, c.marker), c.count) << output;
    }
}

} // namespace access_cases

namespace expect {

// One call of the switch with its arguments after the client handle.
inline std::string call(std::string const& name, std::string const& args)
{
    return "{\"call\":\"rpcclt_openapi" + name + "\",\"args\":[" + args + "]}";
}

// A text descriptor as the trace shows it.
inline std::string text(std::string const& t, size_t size)
{
    return "{\"size\":" + std::to_string(size) + ",\"text\":\"" + t + "\"}";
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
