// Request data: which text a method gets, and how much of it.
#include "../../tools/cgi_input.h"
#include "io_capture.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstring>
#ifdef __SANITIZE_ADDRESS__
// The sanitizer runtime's count of the bytes its allocator has handed out.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

struct ReadCase {
    char const* name;
    std::optional<std::string> method;
    std::optional<std::string> query;
    std::optional<std::string> length;
    std::string body;
    std::optional<std::string> want; // none: no request data
};

TEST(CgiRequestRead, TakesTheTextTheMethodCallsFor)
{
    std::string const longQuery(10000, 'q');
    std::string largeBody(3 * 1024 * 1024 + 17, 'b');
    largeBody.back() = 'e';
    ReadCase const kCases[] = {
        { "GET takes the query", "GET", "a=1&b=2", std::nullopt, "ignored", "a=1&b=2" },
        { "DELETE takes the query", "DELETE", "x", std::nullopt, "", "x" },
        { "GET without a query is empty", "GET", std::nullopt, std::nullopt, "", "" },
        { "query cut to 8192", "GET", longQuery, std::nullopt, "", longQuery.substr(0, 8192) },
        { "POST takes the body", "POST", "q=1", "7", "{\"a\":1}", "{\"a\":1}" },
        { "PUT reads no more than the length", "PUT", std::nullopt, "3", "abcdef", "abc" },
        { "short body gives what arrived", "PUT", std::nullopt, "100", "abc", "abc" },
        { "a large body whole", "PUT", std::nullopt, std::to_string(largeBody.size()), largeBody, largeBody },
        { "length 0 reads nothing", "POST", std::nullopt, "0", "abc", "" },
        { "length not a number reads nothing", "POST", std::nullopt, "abc", "xyz", "" },
        { "length wraps to its low 32 bits", "POST", std::nullopt, "4294967298", "abcdef", "ab" },
        { "NUL ends the text", "POST", std::nullopt, "5", std::string("ab\0cd", 5), "ab" },
        { "no length: no body", "POST", std::nullopt, std::nullopt, "abc", std::nullopt },
        { "negative length: no body", "POST", std::nullopt, "-1", "abc", std::nullopt },
        { "methods compare exactly", "get", "a=1", std::nullopt, "", std::nullopt },
        { "other methods", "PATCH", "a=1", "3", "abc", std::nullopt },
        { "no method", std::nullopt, "a=1", std::nullopt, "", std::nullopt },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        ScopedEnv method("REQUEST_METHOD", c.method);
        ScopedEnv query("QUERY_STRING", c.query);
        ScopedEnv length("CONTENT_LENGTH", c.length);
        ScopedStdin in(c.body);
        CText text = cgiRequestRead();
        ASSERT_EQ(text != nullptr, c.want.has_value());
        if (c.want) {
            EXPECT_EQ(std::string(text.get()), *c.want);
        }
    }
}

// A length claimed by the client alone never sizes an allocation: with the
// address space capped far below 4 GiB, a claim of 4 GiB still reads the
// bytes that arrived.
TEST(CgiRequestRead, MemoryFollowsTheBytesThatArrive)
{
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
#ifndef __SANITIZE_ADDRESS__
        struct rlimit limit { 512u << 20, 512u << 20 };
        setrlimit(RLIMIT_AS, &limit);
#endif
        ScopedEnv method("REQUEST_METHOD", std::string("POST"));
        ScopedEnv length("CONTENT_LENGTH", std::string("4294967295"));
        ScopedStdin in("0123456789");
        CText text = cgiRequestRead();
        bool small = true;
#ifdef __SANITIZE_ADDRESS__
        // AddressSanitizer reserves terabytes of address space for itself, so
        // its allocator's own count stands in for the address-space cap.
        small = __sanitizer_get_current_allocated_bytes() < (512u << 20);
#endif
        _exit(small && text && strcmp(text.get(), "0123456789") == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
