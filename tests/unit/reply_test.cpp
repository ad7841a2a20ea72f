// The reply envelope, byte for byte.
#include "../../tools/common/response.h"
#include "io_capture.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct EnvelopeCase {
    char const* name;
    int32_t code;
    char const* group;
    char const* data;
    char const* want;
};

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
    EnvelopeCase const kCases[] = {
        { "success with data", 0, "bonjour", R"({"pMode":"enable","n":4294967295})",
          "{\n\t\"bonjour\":\t{\n\t\t\"pMode\":\t\"enable\",\n\t\t\"n\":\t4294967295\n\t},\n"
          "\t\"resp\":\t{\n\t\t\"respCode\":\t0,\n\t\t\"respMsg\":\t\"Success\",\n\t\t\"status\":\t\"success\"\n\t}\n}" },
        { "success without name", 0, nullptr, "{}",
          "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t0,\n\t\t\"respMsg\":\t\"Success\",\n\t\t\"status\":\t\"success\"\n\t}\n}" },
        { "success without data", 0, "dns", nullptr,
          "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t0,\n\t\t\"respMsg\":\t\"Success\",\n\t\t\"status\":\t\"success\"\n\t}\n}" },
        { "failure drops name and data", 10003, "dns", R"({"a":1})",
          "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t10003,\n\t\t\"respMsg\":\t\"Invalid argument\",\n\t\t\"status\":\t\"fail\"\n\t}\n}" },
        { "empty message", 11000, nullptr, nullptr,
          "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t11000,\n\t\t\"respMsg\":\t\"\",\n\t\t\"status\":\t\"fail\"\n\t}\n}" },
        { "unknown code", 123, nullptr, nullptr,
          "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t123,\n\t\t\"respMsg\":\t\"Error code unknown\",\n\t\t\"status\":\t\"fail\"\n\t}\n}" },
        { "negative code", -200, nullptr, nullptr,
          "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t-200,\n\t\t\"respMsg\":\t\"Maximum user accounts reached\",\n\t\t\"status\":\t\"fail\"\n\t}\n}" },
        { "nested data", 0, "g", R"({"e":{"x":"y"},"l":[1,2]})",
          "{\n\t\"g\":\t{\n\t\t\"e\":\t{\n\t\t\t\"x\":\t\"y\"\n\t\t},\n\t\t\"l\":\t[1, 2]\n\t},\n"
          "\t\"resp\":\t{\n\t\t\"respCode\":\t0,\n\t\t\"respMsg\":\t\"Success\",\n\t\t\"status\":\t\"success\"\n\t}\n}" },
    };
    for (auto const& c : kCases) {
        SCOPED_TRACE(c.name);
        char* out = nullptr;
        ASSERT_EQ(responseJsonRreallocStr(c.code, c.group, c.data, &out), 0);
        EXPECT_STREQ(out, c.want);
        cJSON_free(out);
    }
}

TEST(ResponseJsonRreallocStr, ReplacesTheOldTextAndKeepsItOnFailure)
{
    char* out = nullptr;
    ASSERT_EQ(responseJsonRreallocStr(0, nullptr, nullptr, &out), 0);
    ASSERT_EQ(responseJsonRreallocStr(10000, nullptr, nullptr, &out), 0); // frees the first
    EXPECT_NE(std::string(out).find("10000"), std::string::npos);
    char* kept = out;
    EXPECT_EQ(responseJsonRreallocStr(0, "g", "{not json", &out), 10000);
    EXPECT_EQ(out, kept);
    cJSON_free(out);
}

// A status-only reply is set-style: a line end after the envelope; a reply
// with data is get-style, without, whether it succeeds or not.
TEST(ReplyPatterns, SetStyleEndsWithALineEndGetStyleDoesNot)
{
    std::string const failure =
        "{\n\t\"resp\":\t{\n\t\t\"respCode\":\t17002,\n\t\t\"respMsg\":\t\"Unsupported Feature\",\n\t\t\"status\":\t\"fail\"\n\t}\n}";
    std::string const success = "\t\"resp\":\t{\n\t\t\"respCode\":\t0,\n\t\t\"respMsg\":\t\"Success\",\n\t\t\"status\":\t\"success\"\n\t}\n}";
    struct Case {
        void (*reply)();
        std::string want;
    } const kCases[] = {
        { [] { replyStatusOnly(17002); }, failure + "\n" },
        { [] { replyWithData(17002, "sntp", Json(cJSON_Parse(R"({"a":1})"))); }, failure },
        { [] { replyWithData(0, "ntp", Json(cJSON_Parse(R"({"version":4})"))); },
          "{\n\t\"ntp\":\t{\n\t\t\"version\":\t4\n\t},\n" + success },
        { [] { replyWithData(0, "ntp", nullptr); }, "{\n" + success },
    };
    for (Case const& c : kCases) {
        CapturedStdout out;
        c.reply();
        EXPECT_EQ(out.text(), c.want);
    }
}

} // namespace
