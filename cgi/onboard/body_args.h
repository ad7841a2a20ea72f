// Switch call arguments taken from a request, one reader type per way of
// reading. A reader is built in place from the parsed body and hands the call
// its argument with arg(); a text argument points into the reader or into the
// body, so readers live as temporaries of the call expression itself and the
// body outlives the call. Readers only read, so the order in which a call's
// readers are built does not matter.
#pragma once

#include "../../tools/families.h"

#include <cstring>

// A number member, truncated and saturated to 32 bits. A missing member gives
// Default; a member that is not a number gives 0.
template <Name Member, uint32_t Default = 0>
class BodyNumber {
public:
    explicit BodyNumber(cJSON const* body)
        : m_value(bodyMember(body, Member.s) == nullptr ? Default : bodyU32(body, Member.s))
    {
    }
    uint32_t arg() const { return m_value; }

private:
    uint32_t m_value;
};

// A member read by one of the shared body readers (bodyU32, bodyMode, bodyFlag).
template <Name Member, BodyReader Read>
class BodyValue {
public:
    explicit BodyValue(cJSON const* body)
        : m_value(Read(body, Member.s))
    {
    }
    uint32_t arg() const { return m_value; }

private:
    uint32_t m_value;
};

// A request word and the code it stands for.
struct WordCode {
    char const* word;
    uint32_t code;
};

// A string member that must be one of Words exactly, case included; any other
// string, or a member that is missing or not a string, gives Otherwise.
template <Name Member, auto const& Words, uint32_t Otherwise>
class BodyCode {
public:
    explicit BodyCode(cJSON const* body)
        : m_value(codeOf(bodyText(body, Member.s)))
    {
    }
    uint32_t arg() const { return m_value; }

private:
    static uint32_t codeOf(char const* text)
    {
        for (WordCode const& keyword : Words)
            if (text != nullptr && strcmp(text, keyword.word) == 0)
                return keyword.code;
        return Otherwise;
    }
    uint32_t m_value;
};

// A string member handed over where it lies in the body, uncut; a member that
// is missing or not a string goes as the empty text.
template <Name Member>
class TreeText {
public:
    explicit TreeText(cJSON const* body)
    {
        cJSON const* item = bodyMember(body, Member.s);
        if (cJSON_IsString(item) && item->valuestring != nullptr)
            m_text = item->valuestring;
    }
    TreeText(TreeText const&) = delete;
    TreeText& operator=(TreeText const&) = delete;
    OpenBuffDesc* arg()
    {
        m_desc = textDesc(m_text != nullptr ? m_text : m_empty);
        return &m_desc;
    }

private:
    char* m_text = nullptr;
    char m_empty[1] = {};
    OpenBuffDesc m_desc {};
};

// A string member copied into a zero-filled buffer of Size bytes, cut to
// Size - 1 characters; a member that is missing or not a string leaves it empty.
template <Name Member, size_t Size>
class CutText {
public:
    explicit CutText(cJSON const* body) { boundedCopy(m_text, bodyText(body, Member.s)); }
    CutText(CutText const&) = delete;
    CutText& operator=(CutText const&) = delete;
    OpenBuffDesc* arg()
    {
        m_desc = textDesc(m_text);
        return &m_desc;
    }

private:
    char m_text[Size] = {};
    OpenBuffDesc m_desc {};
};

// A number from the query string parameter Key (a copy of "QUERY_STRING",
// found by the parameter list's own matching); none, or text that is not a
// number, gives 0. The body is not read.
template <Name Key>
class QueryNumber {
public:
    explicit QueryNumber(cJSON const*)
    {
        ParamList const list = queryStringParams();
        m_value = queryU32(cgiParamValueGet(Key.s, list.get()));
    }
    uint32_t arg() const { return m_value; }

private:
    uint32_t m_value = 0;
};

// PUT of several values: each read by its reader and handed to Set in order;
// the reply is the status only, with a line end.
template <auto Set, typename... Args>
int setValues()
{
    return replyToBody([](cJSON const* body) { return openResultToRespCode(Set(&clientHandle, Args(body).arg()...)); });
}
