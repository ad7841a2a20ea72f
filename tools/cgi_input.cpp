#include "cgi_input.h"

#include "audit.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

long readStandardInput(char* buffer, size_t size)
{
    ssize_t n;
    do
        n = read(STDIN_FILENO, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

CgiBodySource g_bodySource = readStandardInput;

CText copyLimited(char const* text, size_t limit)
{
    return CText(strndup(text, limit));
}

// Reads up to count bytes of the body. Memory grows with the bytes that
// arrive, so a count claimed by the client alone never sizes an allocation.
CText readBody(uint32_t count)
{
    constexpr size_t kFirstChunk = 64 * 1024;
    size_t capacity = std::min<size_t>(count, kFirstChunk) + 1;
    auto* buffer = static_cast<char*>(calloc(capacity, 1));
    if (buffer == nullptr)
        return nullptr;
    CText text(buffer);
    size_t stored = 0;
    while (stored < count) {
        if (stored + 1 == capacity) {
            size_t grown = std::min<size_t>(static_cast<size_t>(count) + 1, capacity * 2);
            auto* bigger = static_cast<char*>(realloc(text.get(), grown));
            if (bigger == nullptr)
                return nullptr;
            text.release();
            text.reset(bigger);
            capacity = grown;
        }
        long const n = g_bodySource(text.get() + stored, capacity - 1 - stored);
        if (n <= 0)
            break;
        stored += static_cast<size_t>(n);
    }
    text.get()[stored] = '\0';
    return text;
}

} // namespace

void cgiBodySourceSet(CgiBodySource source)
{
    g_bodySource = source != nullptr ? source : readStandardInput;
}

CText cgiRequestRead()
{
    char const* method = getenv("REQUEST_METHOD");
    if (method == nullptr)
        return nullptr;
    if (strcmp(method, "GET") == 0 || strcmp(method, "DELETE") == 0) {
        char const* query = getenv("QUERY_STRING");
        return copyLimited(query != nullptr ? query : "", kQueryLimit);
    }
    if (strcmp(method, "POST") != 0 && strcmp(method, "PUT") != 0)
        return nullptr;

    // Without a length, or with a negative one, there is no body to take.
    char const* length = getenv("CONTENT_LENGTH");
    if (length == nullptr)
        return nullptr;
    // 64 bits wide on every target, so a 32-bit build cuts a long count to
    // its low 32 bits as a 64-bit one does instead of saturating it.
    long long const claimed = strtoll(length, nullptr, 10);
    if (claimed < 0)
        return nullptr;
    CText body = readBody(static_cast<uint32_t>(claimed));
    auditBody(body.get());
    return body;
}

char** cgiParamListSplit(char const* text)
{
    size_t capacity = 10;
    auto** list = static_cast<char**>(calloc(capacity, sizeof(char*)));
    CText work(strdup(text != nullptr ? text : ""));
    if (list == nullptr || !work)
        exit(1);
    // The list grows by ten entries whenever the next slot would not fit; a
    // list that cannot grow ends the process.
    auto store = [&](size_t index, char* piece) {
        if (index == capacity) {
            auto** grown = static_cast<char**>(realloc(list, (capacity + 10) * sizeof(char*)));
            if (grown == nullptr)
                exit(1);
            list = grown;
            std::fill(list + capacity, list + capacity + 10, nullptr);
            capacity += 10;
        }
        list[index] = piece;
    };

    size_t count = 0;
    char const* rest = work.get();
    for (char const* amp = strchr(rest, '&'); amp != nullptr; amp = strchr(rest, '&')) {
        char* piece = strndup(rest, static_cast<size_t>(amp - rest));
        if (piece == nullptr)
            exit(1);
        store(count++, piece);
        rest = amp + 1;
    }
    char* last = strdup(rest);
    if (last == nullptr)
        exit(1);
    store(count++, last);
    store(count, nullptr);
    return list;
}

char const* cgiParamValueGet(char const* key, char** list)
{
    if (key == nullptr || list == nullptr)
        return nullptr;
    for (char** piece = list; *piece != nullptr; ++piece) {
        char const* equals = strchr(*piece, '=');
        if (equals != nullptr && strstr(*piece, key) != nullptr)
            return equals + 1;
    }
    return nullptr;
}

void cgiParamListFree(char** list)
{
    if (list == nullptr)
        return;
    for (char** piece = list; *piece != nullptr; ++piece)
        free(*piece);
    free(list);
}

ParamList queryStringParams()
{
    return ParamList(cgiParamListSplit(getenv("QUERY_STRING")));
}
