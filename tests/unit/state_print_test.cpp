// The stand-in's own prints of what the C library and cJSON would print:
// its state, byte for byte cJSON_Print's whatever the numbers, and the tree
// left as it was; an IPv4 address, as inet_ntop writes it.
#include "../../sim/ip_text.h"
#include "../../sim/state_print.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

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

TEST(StatePrint, AnIpv4AddressIsInetNtopsText)
{
    // Every value of each byte, the others varied with it.
    for (unsigned value = 0; value < 256; ++value) {
        unsigned char const kBytes[][4] = {
            { static_cast<unsigned char>(value), 0, 0, 0 },
            { 255, static_cast<unsigned char>(value), 9, 10 },
            { 1, 99, static_cast<unsigned char>(value), 100 },
            { 10, 0, 255, static_cast<unsigned char>(value) },
        };
        for (auto const& bytes : kBytes) {
            char expected[INET_ADDRSTRLEN] = {};
            ASSERT_NE(inet_ntop(AF_INET, bytes, expected, sizeof expected), nullptr);
            EXPECT_EQ(sim::ipv4Text(bytes), expected);
        }
    }
}

} // namespace
