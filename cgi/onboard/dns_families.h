// The handler family of the DNS group and of the address helpers that answer
// under its name. A route names where its inputs come from, the switch call,
// and the call's arguments in order; each argument knows how it is read from
// the request, how it goes to the call and what it adds to the reply.
#pragma once

#include "../../tools/families.h"
#include "../../tools/httpd.h"
#include "../../tools/sw_calls_dns.h"

#include <cstddef>
#include <cstdint>
#include <tuple>

namespace dns {

inline constexpr char kGroup[] = "dns";

// ---- where the inputs come from ----

// The request data of GET and DELETE, the query string, split into
// parameters. A text counts only when it is present and not empty.
class QueryInput {
public:
    bool open()
    {
        m_list.reset(cgiParamListSplit(cgiRequestRead().get()));
        return true;
    }
    char const* text(char const* key) const { return cgiParamValueGet(key, m_list.get()); }
    OpenInetAddr addr(char const* key) const { return inetAddrFromQuery(text(key)); }
    uint32_t number(char const* key) const { return queryU32(text(key)); }

private:
    ParamList m_list;
};

// The body, one whole JSON value; nothing parsable fails the request before
// any call. A text member counts only when it is a JSON string.
class BodyInput {
public:
    bool open()
    {
        m_body = readJsonBody();
        return m_body != nullptr;
    }
    char const* text(char const* key) const { return bodyText(m_body.get(), key); }
    OpenInetAddr addr(char const* key) const { return inetAddrFromText(text(key)); }

private:
    Json m_body;
};

// Routes whose call takes nothing from the request do not read it.
struct NoInput {
    bool open() { return true; }
};

// ---- the arguments ----

// In: read from the request and handed to the switch. Cursor: read from the
// request, replaced by the switch and answered. Out: filled by the switch
// from zero and answered.
enum class Flow { In, Cursor, Out };

// A text in a zero-filled buffer of N bytes, cut to N - 1 characters. Going
// in, the descriptor's size is the text's length plus one; a buffer the
// switch writes into goes with its full size.
template <Name Key, size_t N, Flow F>
struct TextArg {
    OutText<N> buffer;
    OpenBuffDesc desc {};

    template <typename Input>
    void read(Input const& input)
    {
        if constexpr (F != Flow::Out)
            boundedCopy(buffer.text, input.text(Key.s));
    }
    OpenBuffDesc* pass()
    {
        desc = F == Flow::In ? textDesc(buffer.text) : buffer.desc();
        return &desc;
    }
    void write(cJSON* data)
    {
        if constexpr (F != Flow::In)
            jsonAdd(data, Key.s, Json(cJSON_CreateString(buffer.str())));
    }
};

// An address record, all-zero unless the request gives the address text.
template <Name Key, Flow F>
struct AddrArg {
    OpenInetAddr addr {};

    template <typename Input>
    void read(Input const& input)
    {
        if constexpr (F != Flow::Out)
            addr = input.addr(Key.s);
    }
    OpenInetAddr* pass() { return &addr; }
    void write(cJSON* data)
    {
        if constexpr (F != Flow::In)
            jsonAdd(data, Key.s, Json(cJSON_CreateString(inetAddrToText(addr).text)));
    }
};

// A query number that the switch reads and replaces, answered as a number.
template <Name Key>
struct NumberCursor {
    uint32_t value = 0;

    template <typename Input>
    void read(Input const& input)
    {
        value = input.number(Key.s);
    }
    uint32_t* pass() { return &value; }
    void write(cJSON* data) { jsonAdd(data, Key.s, Json(cJSON_CreateNumber(value))); }
};

// A query keyword turned into a code that goes by value.
template <Name Key, uint32_t (*Code)(char const* value)>
struct CodeArg {
    uint32_t value = 0;

    template <typename Input>
    void read(Input const& input)
    {
        value = Code(input.text(Key.s));
    }
    uint32_t pass() const { return value; }
    void write(cJSON*) {}
};

// ---- the family ----

enum class Reply { Status, Data };

// Reads the arguments, makes the one call and answers: status only (with a
// line end), or on result 0 the arguments' answers under "dns". A body that
// does not parse is refused in the status-only form before any call.
template <Reply R, typename Input, auto Call, typename... Args>
int callSwitch()
{
    Input input;
    if (!input.open()) {
        replyStatusOnly(kRespInvalidArgument);
        return 0;
    }
    std::tuple<Args...> args;
    std::apply([&](Args&... arg) { (arg.read(input), ...); }, args);
    int const result = std::apply([](Args&... arg) { return Call(&clientHandle, arg.pass()...); }, args);
    if constexpr (R == Reply::Status)
        replyStatusOnly(openResultToRespCode(result));
    else
        replyObject(kGroup, result, [&](cJSON* data) { std::apply([&](Args&... arg) { (arg.write(data), ...); }, args); });
    return 0;
}

template <typename Input, auto Call, typename... Args>
inline constexpr HttpdHandler setCall = callSwitch<Reply::Status, Input, Call, Args...>;
template <typename Input, auto Call, typename... Args>
inline constexpr HttpdHandler getCall = callSwitch<Reply::Data, Input, Call, Args...>;

} // namespace dns
