// What the program writes on standard output: the reply envelope, byte for
// byte, and log lines before the log is opened.
#include "../../tools/common/response.h"
#include "../../tools/log.h"
#include "io_capture.h"

#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <string>

namespace {

// Each test runs in a process of its own, so nothing has opened the log yet.
TEST(DevmgrLog, BeforeOpeningWritesToStandardOutputUnderTheDefaultThreshold)
{
    CapturedStdout out;
    devmgrLog(3, "[%s:%d] first %s\n", "fn", 7, "line");
    devmgrLog(7, "not written at the default threshold\n");
    std::string const text = out.text();
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \(ERROR\): : \[fn:7\] first line\n)")))
        << text;
    EXPECT_EQ(devmgrLogLevelGet(), 6);
}

// The formatted envelope: the group's object when given, then "resp".
std::string envelope(int32_t code, char const* message, std::string const& data = "")
{
    return "{\n" + data + "\t\"resp\":\t{\n\t\t\"respCode\":\t" + std::to_string(code) + ",\n\t\t\"respMsg\":\t\""
        + message + "\",\n\t\t\"status\":\t\"" + (code == 0 ? "success" : "fail") + "\"\n\t}\n}";
}

// The envelope's code is kept as its text; printed, it must be what cJSON
// prints for a number holding it.
TEST(JsonInteger, PrintsAsCJsonPrintsTheNumber)
{
    for (int32_t const value : { 0, 1, -1, 9, 10, -10, 999, 10003, 17002, 1234567890, INT32_MAX, INT32_MIN }) {
        Json number(cJSON_CreateObject());
        Json text(cJSON_CreateObject());
        jsonAdd(number.get(), "n", Json(cJSON_CreateNumber(value)));
        jsonAdd(text.get(), "n", jsonInteger(value));
        JsonText const want(cJSON_Print(number.get()));
        JsonText const got(cJSON_Print(text.get()));
        EXPECT_STREQ(got.get(), want.get()) << value;
    }
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
        { "unknown code", 123, nullptr, nullptr, envelope(123, "Error code unknown") },
        { "negative code", -200, nullptr, nullptr, envelope(-200, "Maximum user accounts reached") },
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
    struct Case {
        void (*reply)();
        std::string want;
    } const kCases[] = {
        { [] { replyStatusOnly(17002); }, failure + "\n" },
        { [] { replyWithData(17002, "sntp", Json(cJSON_Parse(R"({"a":1})"))); }, failure },
        { [] { replyWithData(0, "ntp", Json(cJSON_Parse(R"({"version":4})"))); },
          envelope(0, "Success", "\t\"ntp\":\t{\n\t\t\"version\":\t4\n\t},\n") },
        { [] { replyWithData(0, "ntp", nullptr); }, envelope(0, "Success") },
    };
    for (Case const& c : kCases) {
        CapturedStdout out;
        c.reply();
        EXPECT_EQ(out.text(), c.want);
    }
}

} // namespace
