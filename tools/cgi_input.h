// Request input: the request data (body or query string) and query-style
// parameter lists.
#pragma once

#include "json.h"

#include <cstddef>
#include <memory>

inline constexpr unsigned kQueryLimit = 8192;

// The body for POST and PUT, the query string for GET and DELETE; none for
// any other method, an unset method, or when memory runs out.
CText cgiRequestRead();

// Where the body comes from: reads up to size bytes into buffer and returns
// the count, 0 at the body's end, or -1 on an error. Standard input unless a
// server that serves many requests in one process hands each request's own
// (null restores standard input).
using CgiBodySource = long (*)(char* buffer, size_t size);
void cgiBodySourceSet(CgiBodySource source);

// Cuts a text at every "&" into an array of allocated pieces ended by a null
// entry. Null is taken as the empty text.
char** cgiParamListSplit(char const* text);

// The text after the first "=" of the first piece that contains the key
// anywhere and has a "=" at all; null when there is none.
char const* cgiParamValueGet(char const* key, char** list);

void cgiParamListFree(char** list);

struct ParamListFree {
    void operator()(char** list) const { cgiParamListFree(list); }
};
using ParamList = std::unique_ptr<char*, ParamListFree>;

// A parameter list over a copy of "QUERY_STRING"; empty when it is unset.
ParamList queryStringParams();
