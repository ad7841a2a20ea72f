// The NTP handler families. A route names where each input of its switch call
// comes from, the call, and for a get the reply member and the kind of place
// the call fills; the families below do the rest.
#pragma once

#include "../../tools/families.h"
#include "../../tools/httpd.h"
#include "../../tools/sw_calls_ntp.h"

#include <cstring>
#include <iterator>
#include <utility>

namespace ntp {

inline constexpr char kGroup[] = "ntp";
inline constexpr size_t kTextSize = 256; // addresses, peer lists, texts read back
inline constexpr size_t kKeyValueSize = 130; // authentication key values

// What a handler reads from its request. The parameter lists are made when
// an input first asks for them, so a route that takes none reads nothing.
class Request {
public:
    Request() = default;
    explicit Request(Json body)
        : m_body(std::move(body))
    {
    }

    cJSON const* body() const { return m_body.get(); }

    // A parameter of the request data: the query string of a GET or DELETE.
    char const* param(char const* key)
    {
        if (!m_params) {
            CText const raw = cgiRequestRead();
            m_params.reset(cgiParamListSplit(raw.get()));
        }
        return cgiParamValueGet(key, m_params.get());
    }

    // A parameter of "QUERY_STRING", whatever the method.
    char const* queryStringParam(char const* key)
    {
        if (!m_queryString)
            m_queryString = queryStringParams();
        return cgiParamValueGet(key, m_queryString.get());
    }

private:
    Json m_body;
    ParamList m_params;
    ParamList m_queryString;
};

// ---- Inputs: each is made from the request and handed over by arg(). ----

// A text in a zero-filled buffer of N bytes, cut to N - 1 characters, handed
// over with its length plus one as the descriptor's size.
template <size_t N>
class TextArg {
public:
    explicit TextArg(char const* text) { boundedCopy(m_text, text); }
    TextArg(TextArg const&) = delete;
    TextArg& operator=(TextArg const&) = delete;

    OpenBuffDesc* arg()
    {
        m_desc = textDesc(m_text);
        return &m_desc;
    }

private:
    char m_text[N] = {};
    OpenBuffDesc m_desc {};
};

// A body member that is a JSON string; any other member is the empty text.
template <Name Key, size_t N = kTextSize>
struct BodyText : TextArg<N> {
    explicit BodyText(Request& request)
        : TextArg<N>(bodyText(request.body(), Key.s))
    {
    }
};

// A parameter of the request's query string, taken as it stands.
template <Name Key>
struct QueryText : TextArg<kTextSize> {
    explicit QueryText(Request& request)
        : TextArg<kTextSize>(request.param(Key.s))
    {
    }
};

template <typename T>
struct ValueArg {
    T value;
    T arg() const { return value; }
};

// A body member as Read turns it into a value (bodyU32, bodyU16, bodyFlag...).
template <Name Key, auto Read>
struct BodyValue : ValueArg<decltype(Read(nullptr, nullptr))> {
    explicit BodyValue(Request& request)
        : ValueArg<decltype(Read(nullptr, nullptr))> { Read(request.body(), Key.s) }
    {
    }
};

// A decimal parameter of the request's query string.
template <Name Key>
struct QueryNumber : ValueArg<uint32_t> {
    explicit QueryNumber(Request& request)
        : ValueArg<uint32_t> { queryU32(request.param(Key.s)) }
    {
    }
};

// A decimal parameter of "QUERY_STRING", read even where the body is the request data.
template <Name Key>
struct QueryStringNumber : ValueArg<uint32_t> {
    explicit QueryStringNumber(Request& request)
        : ValueArg<uint32_t> { queryU32(request.queryStringParam(Key.s)) }
    {
    }
};

// A body number handed over through the address of a variable holding it.
template <Name Key>
struct BodyNumberRef {
    uint32_t value;
    explicit BodyNumberRef(Request& request)
        : value(bodyU32(request.body(), Key.s))
    {
    }
    uint32_t* arg() { return &value; }
};

// ---- Outputs: a zeroed place the call fills, and the reply value made of it. ----

// A number the call writes, answered as Write makes it.
template <typename T, ValueWriter Write = numberValue>
struct Value {
    T value = 0;
    T* arg() { return &value; }
    Json json() const { return Json(Write(value)); }
};

// A text the call writes into a zero-filled buffer of N bytes, described with
// size Size; the reply takes it up to its first NUL, never past the buffer.
template <size_t N, uint32_t Size = N>
struct TextOut {
    OutText<N> buffer;
    uint32_t size = Size;
    OpenBuffDesc desc {};

    OpenBuffDesc* arg()
    {
        desc = OpenBuffDesc { size, buffer.text };
        return &desc;
    }
    Json json() { return Json(cJSON_CreateString(buffer.str())); }
};

// A text whose descriptor the switch's own limit sizes: LengthCall reports a
// length L first, and the size is L + 1 for 1 <= L <= 255, else the whole
// buffer. The length call's result never decides the reply.
template <auto LengthCall>
struct LimitedTextOut : TextOut<kTextSize> {
    LimitedTextOut()
    {
        uint32_t limit = 0;
        if (rpcResultNote(LengthCall(&clientHandle, &limit)) == 0 && limit >= 1 && limit < kTextSize)
            size = limit + 1;
    }
};

// A switch code answered by name: Names is indexed by the code, and its first
// name also stands for every code past its end.
template <auto const& Names>
cJSON* namedValue(uint32_t code)
{
    return cJSON_CreateString(code < std::size(Names) ? Names[code] : Names[0]);
}

// The code of a keyword member: the index of the name, past the first, that
// the JSON string equals exactly; anything else gives 0.
template <auto const& Names>
uint32_t bodyCode(cJSON const* body, char const* name)
{
    char const* const text = bodyText(body, name);
    for (uint32_t code = 1; text != nullptr && code < std::size(Names); ++code) {
        if (strcmp(text, Names[code]) == 0)
            return code;
    }
    return 0;
}

using Number = Value<uint32_t>;
using Number16 = Value<uint16_t>;
using Flag = Value<uint32_t, flagValue>;
using Mode = Value<uint32_t, modeValue>;
template <auto const& Names>
using Named = Value<uint32_t, namedValue<Names>>;
using Text = TextOut<kTextSize>;

// ---- The families. ----

// Set-style call: the inputs, in order, go to Call; the result is the reply.
template <auto Call, typename... In>
void callForStatus(Request& request)
{
    replyStatusOnly(openResultToRespCode(Call(&clientHandle, In(request).arg()...)));
}

// Get-style call: the inputs, then Out's place, go to Call; on success Out's
// value is the data's one member.
template <Name Member, typename Out, auto Call, typename... In>
void callForData(Request& request)
{
    Out out;
    int const result = Call(&clientHandle, In(request).arg()..., out.arg());
    replyObject(kGroup, result, [&](cJSON* data) { jsonAdd(data, Member.s, out.json()); });
}

// The request body parsed as JSON, or 10003 with a line end and no call.
template <void (*Serve)(Request&)>
int withBody()
{
    Request request(readJsonBody());
    if (request.body() == nullptr)
        replyStatusOnly(kRespInvalidArgument);
    else
        Serve(request);
    return 0;
}

// No body: the query string is read when an input first asks for it.
template <void (*Serve)(Request&)>
int withoutBody()
{
    Request request;
    Serve(request);
    return 0;
}

// A PUT or POST whose inputs come from its JSON body.
template <auto Call, typename... In>
constexpr HttpdHandler setFromBody = withBody<callForStatus<Call, In...>>;
// A set whose inputs come from the query string (or that takes none).
template <auto Call, typename... In>
constexpr HttpdHandler setFromQuery = withoutBody<callForStatus<Call, In...>>;
// A GET: its inputs come from the query string (or it takes none).
template <Name Member, typename Out, auto Call, typename... In>
constexpr HttpdHandler getFromQuery = withoutBody<callForData<Member, Out, Call, In...>>;
// A POST answered like a GET, its inputs from its JSON body.
template <Name Member, typename Out, auto Call, typename... In>
constexpr HttpdHandler getFromBody = withBody<callForData<Member, Out, Call, In...>>;

} // namespace ntp
