#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "pipeline/stoi_conversion.h"
#include "support/thrown_message.h"

using namespace kestrano;

TEST(StoiArgument, ReadsLeadingNumberAndIgnoresTheRest)
{
    // Base 10: the x of "0x1F" ends the number.
    const std::pair<const char*, int> cases[] = {
        {"128", 128}, {" 12abc", 12}, {"\t\n\v\f\r 7", 7}, {"+42", 42}, {"-7", -7}, {"007", 7}, {"3.9", 3},
        {"0x1F", 0}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"-000000000000000000000000000001", -1}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(stoiArgument(text), value) << '"' << text << '"';
}

TEST(StoiArgument, NoDigitIsInvalidAndBeyondThirtyTwoBitsOutOfRange)
{
    for (const char* text : {"", "abc", " ", "-", "+", "- 5", "+-1", ".5", "t"})
        EXPECT_EQ(thrownMessage<std::invalid_argument>([&] { stoiArgument(text); }), "invalid stoi argument")
            << '"' << text << '"';
    for (const char* text : {"99999999999", "2147483648", "-2147483649", "123456789012345678901234567890"})
        EXPECT_EQ(thrownMessage<std::out_of_range>([&] { stoiArgument(text); }), "stoi argument out of range") << text;
}
