#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "pipeline/stoi_conversion.h"

using namespace kestrano;

namespace {

std::string failureText(const std::string& text)
{
    try {
        stoiArgument(text);
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument: ") + e.what();
    } catch (const std::out_of_range& e) {
        return std::string("out_of_range: ") + e.what();
    }
    return "no failure";
}

}  // namespace

TEST(StoiArgument, ReadsLeadingNumberAndIgnoresTheRest)
{
    EXPECT_EQ(stoiArgument("128"), 128);
    EXPECT_EQ(stoiArgument(" 12abc"), 12);
    EXPECT_EQ(stoiArgument("\t\n\v\f\r 7"), 7);
    EXPECT_EQ(stoiArgument("+42"), 42);
    EXPECT_EQ(stoiArgument("-7"), -7);
    EXPECT_EQ(stoiArgument("007"), 7);
    EXPECT_EQ(stoiArgument("3.9"), 3);
    EXPECT_EQ(stoiArgument("0x1F"), 0);  // base 10: the x ends the number
    EXPECT_EQ(stoiArgument("2147483647"), 2147483647);
    EXPECT_EQ(stoiArgument("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(stoiArgument("-000000000000000000000000000001"), -1);
}

TEST(StoiArgument, NoDigitIsAnInvalidArgument)
{
    for (const char* text : {"", "abc", " ", "-", "+", "- 5", "+-1", ".5", "t"})
        EXPECT_EQ(failureText(text), "invalid_argument: invalid stoi argument") << '"' << text << '"';
}

TEST(StoiArgument, NumbersBeyondThirtyTwoBitsAreOutOfRange)
{
    for (const char* text : {"99999999999", "2147483648", "-2147483649", "123456789012345678901234567890"})
        EXPECT_EQ(failureText(text), "out_of_range: stoi argument out of range") << text;
}
