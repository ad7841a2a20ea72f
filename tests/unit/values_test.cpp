// Request data and its conversions, and the reply the program writes: which
// text a method gets and how much of it, request values and addresses, the
// reply envelope byte for byte, and log lines before the log is opened.
#include "../../tools/cgi_input.h"
#include "../../tools/common/response.h"
#include "../../tools/log.h"
#include "../../tools/values.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <regex>
#include <string>
#include <vector>
#ifdef __SANITIZE_ADDRESS__
// The sanitizer runtime's count of the bytes its allocator has handed out.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// The web server's side of a CGI request, in process: its environment, the
// body on standard input, and what the program prints on standard output.
void setEnv(char const* name, std::optional<std::string> const& value)
{
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

// Standard input reads these bytes from a memory file from now on.
void feed(std::string const& bytes)
{
    int const file = memfd_create("in", 0);
    if (write(file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()))
        lseek(file, 0, SEEK_SET);
    dup2(file, 0);
    close(file);
}

// What the work writes to standard output.
template <typename Work>
std::string printed(Work const& work)
{
    fflush(stdout);
    int const saved = dup(1), file = memfd_create("out", 0);
    dup2(file, 1);
    work();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string out(static_cast<size_t>(lseek(file, 0, SEEK_END)), '\0');
    if (pread(file, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size()))
        out = "<unread>";
    close(file);
    return out;
}

TEST(CgiRequestRead, TakesTheTextTheMethodCallsFor)
{
    std::string const longQuery(10000, 'q');
    std::string largeBody(3 * 1024 * 1024 + 17, 'b');
    largeBody.back() = 'e';
    struct {
        char const* name;
        std::optional<std::string> method, query, length;
        std::string body;
        std::optional<std::string> want; // none: no request data
    } const kCases[] = {
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
        { "no method", std::nullopt, "a=1", std::nullopt, "", std::nullopt },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        setEnv("REQUEST_METHOD", c.method);
        setEnv("QUERY_STRING", c.query);
        setEnv("CONTENT_LENGTH", c.length);
        feed(c.body);
        CText text = cgiRequestRead();
        ASSERT_EQ(text != nullptr, c.want.has_value());
        if (c.want) {
            EXPECT_EQ(std::string(text.get()), *c.want);
        }
    }
    for (char const* name : { "REQUEST_METHOD", "QUERY_STRING", "CONTENT_LENGTH" })
        unsetenv(name);
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
        setenv("REQUEST_METHOD", "POST", 1);
        setenv("CONTENT_LENGTH", "4294967295", 1);
        feed("0123456789");
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

TEST(ToU32, TruncatesTowardZeroAndSaturates)
{
    constexpr struct {
        double value;
        uint32_t want;
    } kCases[] = {
        { 0, 0 }, { 5.8, 5 }, { -1, 0 }, { -0.5, 0 }, { 65535.9, 65535 },
        { 4294967295.0, 4294967295u }, { 4294967295.9, 4294967295u }, { 4294967296.0, 4294967295u },
        { 1e10, 4294967295u }, { NAN, 0 }, { INFINITY, 4294967295u }, { -INFINITY, 0 },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(toU32(c.value), c.want);
    }
}

TEST(BodyReaders, MembersMatchWithoutCaseButKeywordsExactly)
{
    Json body = jsonParse(R"({"Mode":"enable","mode":"disable","port":70000.7,"flag":"true","t":true,"s":"12"})");
    ASSERT_TRUE(body);
    EXPECT_EQ(bodyMode(body.get(), "MODE"), 1u); // the first match wins
    EXPECT_EQ(bodyU32(body.get(), "port"), 70000u);
    EXPECT_EQ(bodyU16(body.get(), "port"), 4464u);
    EXPECT_EQ(bodyFlag(body.get(), "flag"), 1u);
    EXPECT_EQ(bodyFlag(body.get(), "t"), 0u);   // a JSON true is not the string "true"
    EXPECT_EQ(bodyU32(body.get(), "s"), 0u);    // a string is not a number
    EXPECT_EQ(bodyU32(body.get(), "absent"), 0u);

    Json enabled = jsonParse(R"({"mode":"Enable"})");
    EXPECT_EQ(bodyMode(enabled.get(), "mode"), 0u);
    Json notObject = jsonParse(R"([{"mode":"enable"}])");
    EXPECT_EQ(bodyMode(notObject.get(), "mode"), 0u);
}

TEST(JsonParse, TakesOneWholeValueOnly)
{
    EXPECT_TRUE(jsonParse(" {\"a\":1} \n\t"));
    EXPECT_TRUE(jsonParse("5"));
    EXPECT_FALSE(jsonParse("{\"a\":1}{\"b\":2}"));
    EXPECT_FALSE(jsonParse("{\"a\":1} x"));
    EXPECT_FALSE(jsonParse(""));
    EXPECT_FALSE(jsonParse(nullptr));
}

TEST(QueryU32, IsStrtoulCutTo32Bits)
{
    EXPECT_EQ(queryU32("7"), 7u);
    EXPECT_EQ(queryU32("-1"), 4294967295u);
    EXPECT_EQ(queryU32("4294967297"), 1u);
    EXPECT_EQ(queryU32("abc"), 0u);
    EXPECT_EQ(queryU32("12abc"), 12u);
    EXPECT_EQ(queryU32(nullptr), 0u);
}

TEST(InetAddr, ParsesByColonAndPrintsByFamily)
{
    constexpr struct {
        char const* text;
        uint32_t family;
        char const* back;
    } kCases[] = {
        { "192.168.1.20", 1, "192.168.1.20" },
        { "2001:db8::1", 2, "2001:db8::1" },
        { "not-an-address", 1, "0.0.0.0" },   // the family is chosen before the parse fails
        { "1:2:zz", 2, "::" },
        { "", 1, "0.0.0.0" },                 // an empty text is still a text
        { nullptr, 0, "0.0.0.0" },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.text);
        OpenInetAddr addr = inetAddrFromText(c.text);
        EXPECT_EQ(addr.family, c.family);
        EXPECT_STREQ(inetAddrToText(addr).text, c.back);
    }
    OpenInetAddr v4 = inetAddrFromText("10.1.2.3");
    EXPECT_EQ(v4.addr.ipv4, 0x0a010203u);
    uint8_t const zeros[12] = {};
    EXPECT_EQ(memcmp(v4.addr.ipv6 + 4, zeros, sizeof zeros), 0);

    EXPECT_EQ(inetAddrFromQuery("").family, 0u);
}

// The parameter lookup is a substring search over the pieces, not a key match.
TEST(ParamList, LookupTakesTheFirstPieceContainingTheKey)
{
    constexpr struct {
        char const* query;
        char const* key;
        char const* want; // null: not found
    } kCases[] = {
        { "serviceName=x&service=http", "service", "x" },
        { "serviceName=index", "index", "index" },
        { "index&index=3", "index", "3" },      // a piece without "=" is never taken
        { "index", "index", nullptr },
        { "a=1&&b=2", "b", "2" },
        { "k=a=b", "k", "a=b" },
        { "", "k", nullptr },
        { "a=1", "A", nullptr },                // case-sensitive
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.query);
        ParamList list(cgiParamListSplit(c.query));
        char const* value = cgiParamValueGet(c.key, list.get());
        if (c.want == nullptr)
            EXPECT_EQ(value, nullptr);
        else
            EXPECT_STREQ(value, c.want);
    }
}

TEST(ParamList, KeepsEmptyPiecesAndEndsWithNullWhateverItsLength)
{
    for (int pieces : { 1, 9, 10, 11, 20, 21, 1000 }) {
        SCOPED_TRACE(pieces);
        std::vector<std::string> want;
        std::string query;
        for (int i = 0; i < pieces; ++i) {
            want.push_back(i % 3 == 0 ? "" : "p=" + std::to_string(i));
            query += (i == 0 ? "" : "&") + want.back();
        }
        ParamList list(cgiParamListSplit(query.c_str()));
        int count = 0;
        for (; list.get()[count] != nullptr; ++count)
            ASSERT_EQ(list.get()[count], want[count]);
        EXPECT_EQ(count, pieces);
    }
    ParamList empty(cgiParamListSplit(nullptr));
    EXPECT_STREQ(empty.get()[0], "");
    EXPECT_EQ(empty.get()[1], nullptr);
    cgiParamListFree(nullptr);
}

TEST(OpenResultToRespCode, MapsTheTableAndFailsEverythingElse)
{
    constexpr struct {
        int32_t result, code;
    } kCases[] = {
        { -29, 10023 }, { -28, 17002 }, { -27, 10000 }, { -24, 10011 }, { -23, 10000 }, { -22, 10003 },
        { -21, 10000 }, { -1, 10000 }, { 0, 0 }, { 1, 10000 }, { -30, 10000 }, { INT32_MIN, 10000 },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.result);
        EXPECT_EQ(openResultToRespCode(c.result), c.code);
    }
}

// Each test runs in a process of its own, so nothing has opened the log yet.
TEST(DevmgrLog, BeforeOpeningWritesToStandardOutputUnderTheDefaultThreshold)
{
    std::string const text = printed([] {
        devmgrLog(3, "[%s:%d] first %s\n", "fn", 7, "line");
        devmgrLog(7, "not written at the default threshold\n");
    });
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \(ERROR\): : \[fn:7\] first line\n)")))
        << text;
    EXPECT_EQ(devmgrLogLevelGet(), 6);
}

// The formatted envelope: the group's object when given, then "resp". The
// code is kept as its text, which must be what cJSON prints for a number.
std::string envelope(int32_t code, char const* message, std::string const& data = "")
{
    return "{\n" + data + "\t\"resp\":\t{\n\t\t\"respCode\":\t" + std::to_string(code) + ",\n\t\t\"respMsg\":\t\""
        + message + "\",\n\t\t\"status\":\t\"" + (code == 0 ? "success" : "fail") + "\"\n\t}\n}";
}

TEST(ResponseJsonRreallocStr, BuildsTheEnvelopeInFormattedForm)
{
    struct Case {
        char const* name;
        int32_t code;
        char const* group;
        char const* data;
        std::string want;
    } const kCases[] = {
        { "success with data", 0, "bonjour", R"({"pMode":"enable","n":4294967295})",
          envelope(0, "Success", "\t\"bonjour\":\t{\n\t\t\"pMode\":\t\"enable\",\n\t\t\"n\":\t4294967295\n\t},\n") },
        { "success without name", 0, nullptr, "{}", envelope(0, "Success") },
        { "success without data", 0, "dns", nullptr, envelope(0, "Success") },
        { "failure drops name and data", 10003, "dns", R"({"a":1})", envelope(10003, "Invalid argument") },
        { "empty message", 11000, nullptr, nullptr, envelope(11000, "") },
        { "negative code", -200, nullptr, nullptr, envelope(-200, "Maximum user accounts reached") },
        { "the smallest code", INT32_MIN, nullptr, nullptr, envelope(INT32_MIN, "Error code unknown") },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        char* out = nullptr;
        ASSERT_EQ(responseJsonRreallocStr(c.code, c.group, c.data, &out), 0);
        EXPECT_EQ(out, c.want);
        cJSON_free(out);
    }
    // A new text replaces the old one; on failure the old one is kept.
    char* out = nullptr;
    ASSERT_EQ(responseJsonRreallocStr(0, nullptr, nullptr, &out), 0);
    ASSERT_EQ(responseJsonRreallocStr(10000, nullptr, nullptr, &out), 0); // frees the first
    EXPECT_EQ(out, envelope(10000, "General Failed"));
    char* kept = out;
    EXPECT_EQ(responseJsonRreallocStr(0, "g", "{not json", &out), 10000);
    EXPECT_EQ(out, kept);
    cJSON_free(out);
}

// A status-only reply is set-style: a line end after the envelope; a reply
// with data is get-style, without, whether it succeeds or not.
TEST(ReplyPatterns, SetStyleEndsWithALineEndGetStyleDoesNot)
{
    std::string const failure = envelope(17002, "Unsupported Feature");
    EXPECT_EQ(printed([] { replyStatusOnly(17002); }), failure + "\n");
    EXPECT_EQ(printed([] { replyWithData(17002, "sntp", Json(cJSON_Parse(R"({"a":1})"))); }), failure);
}

} // namespace
