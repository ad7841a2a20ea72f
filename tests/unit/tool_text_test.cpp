// Hand-written texts against what the library functions they replace give,
// byte for byte: the stand-in's tool text as snprintf with "%s", "%u" and
// "%.3f" into a 512-byte line (every time a ping or traceroute reports, ties,
// signs, NaN and the largest values included); its print of its state as
// cJSON_Print, whatever the numbers, the tree left as it was; and the session
// check's texts as snprintf in a buffer of the same size, cut included.
#include "../../sim/state_print.h"
#include "../../sim/tool_text.h"
#include "../../tools/bounded_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string printed(char const* format, double value)
{
    char line[512];
    int const length = snprintf(line, sizeof line, format, value);
    return std::string(line, std::min(static_cast<size_t>(length), sizeof line - 1));
}

std::string pieced(double value)
{
    std::string text;
    sim::ToolPiece(text) << sim::Millis { value };
    return text;
}

TEST(ToolText, TimesPrintAsPrintfPrintsThemToThreePlaces)
{
    double const nan = std::numeric_limits<double>::quiet_NaN();
    double const inf = std::numeric_limits<double>::infinity();
    std::vector<double> values { 0.0, -0.0, 0.0005, 0.0015, 0.0025, 0.0625, 1.0625, -1.0625, 2.5, 0.1235, 11.347,
        8.924, 0.412 + 0.001 * 11, 1e20, 1e300, -1e300, 5e-324, std::numeric_limits<double>::max(), nan, -nan, inf,
        -inf };
    for (int k = 0; k <= 4000; ++k)
        values.push_back(k / 16.0); // exact in binary: every fourth place a tie
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-100000.0, 100000.0);
    for (int k = 0; k < 20000; ++k)
        values.push_back(spread(random));
    for (double value : values)
        EXPECT_EQ(pieced(value), printed("%.3f", value)) << value;
}

TEST(ToolText, PiecesPrintTextsAndNumbersAndAreCutAsTheLineWas)
{
    struct Case {
        char const* name;
        std::string text;
        unsigned number;
        std::string expected;
    };
    std::string const longText(600, 'x');
    Case const cases[] = {
        { "numbers at their extremes", "n=", 4294967295u, "n=4294967295" },
        { "zero", "", 0, "0" },
        { "a text stops at a NUL, as %s does", std::string("ab\0cd", 5), 7, "ab7" },
        { "a piece longer than the line is cut at 511 bytes", longText, 12, longText.substr(0, 511) },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "before ";
        sim::ToolPiece(text) << c.text << c.number;
        EXPECT_EQ(text, "before " + c.expected);
    }
}


std::string cjsonPrint(cJSON const* tree)
{
    JsonText printed(cJSON_Print(tree));
    return printed ? printed.get() : "<none>";
}

TEST(StatePrint, IsCJsonsPrintForEveryKindOfNumber)
{
    double const kNumbers[] = {
        0, -0.0, 1, -1, 20, 4294967295.0, -2147483648.0, 2147483648.0,
        999999999999999.0, 1e15, -999999999999999.0, -1e15, 1e16, 9007199254740993.0,
        0.5, -0.5, 0.318, 11.347, 1e-7, 123456789.125, 1e300, -1e300,
        std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::nan(""),
    };
    for (double const number : kNumbers) {
        SCOPED_TRACE(number);
        // A number alone, in an object, in an array, and deeper.
        Json tree(cJSON_CreateObject());
        cJSON_AddNumberToObject(tree.get(), "n", number);
        cJSON* list = cJSON_AddArrayToObject(tree.get(), "list");
        cJSON_AddItemToArray(list, cJSON_CreateNumber(number));
        cJSON* row = cJSON_CreateObject();
        cJSON_AddNumberToObject(row, "n", number);
        cJSON_AddStringToObject(row, "s", "x\"\n\t\x01y");
        cJSON_AddItemToArray(list, row);
        cJSON_AddItemToObject(tree.get(), "empty", cJSON_CreateObject());
        cJSON_AddItemToObject(tree.get(), "none", cJSON_CreateArray());
        Json alone(cJSON_CreateNumber(number));

        for (cJSON* item : { tree.get(), alone.get() }) {
            std::string const expected = cjsonPrint(item);
            JsonText printed = sim::printState(item);
            ASSERT_TRUE(printed);
            EXPECT_EQ(std::string(printed.get()), expected);
            EXPECT_EQ(cjsonPrint(item), expected) << "the tree is as it was";
        }
        EXPECT_TRUE(cJSON_IsNumber(cJSON_GetObjectItemCaseSensitive(tree.get(), "n")));
        EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(tree.get(), "n")->valuestring, nullptr);
    }
}


struct Case {
    std::string user;
    long stamp;
    std::string privilege;
    std::string token;
};

TEST(BoundedText, IsWhatSnprintfLeaves)
{
    std::string const token(32, 'f');
    Case const cases[] = {
        { "admin\n", 5258, "", token },
        { "operator\n", 0, "rw\n", token },
        { "operator\n", -42, "ro\n", token },
        { "admin\n", LONG_MAX, "", token },
        { "admin\n", LONG_MIN, "", token },
        { std::string(199, 'u'), 1234567, "rw\n", token },          // cut inside the token
        { std::string(220, 'u'), 98765, "ro\n", token },            // cut inside the stamp
        { std::string(255, 'u'), 7, "", token },                    // full before the stamp
        { std::string(255 - 2 - 32, 'u'), 10, "", token },          // exactly 255
        { std::string(255 - 2 - 32 - 1, 'u'), 10, "", token },      // one short
        { std::string(255 - 2 - 32 + 1, 'u'), 10, "", token },      // one over
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.user.size());
        char expected[256];
        int const whole = snprintf(expected, sizeof expected, "%s%ld\n%s%s", c.user.c_str(), c.stamp,
                                   c.privilege.c_str(), c.token.c_str());
        BoundedText<256> text(c.user.c_str());
        text.add(c.stamp);
        text.add("\n");
        text.add(c.privilege.c_str());
        bool const fitted = text.add(c.token.c_str());
        EXPECT_EQ(std::string(text.text), std::string(expected));
        EXPECT_EQ(text.length, std::string(expected).size());
        EXPECT_EQ(fitted, whole < 256);
    }
}

} // namespace
