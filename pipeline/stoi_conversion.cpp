#include "pipeline/stoi_conversion.h"

#include <cctype>
#include <cstdint>
#include <stdexcept>

namespace kestrano {

std::int32_t stoiArgument(const std::string& text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= n || !std::isdigit(static_cast<unsigned char>(text[i])))
        throw std::invalid_argument("invalid stoi argument");
    // Accumulate the magnitude, saturating well above the 32-bit range so that
    // any number of digits is read without overflow.
    std::int64_t magnitude = 0;
    bool tooLarge = false;
    for (; i < n && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL) {
            tooLarge = true;
            magnitude = 2147483648LL;
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (tooLarge || value > 2147483647LL || value < -2147483648LL)
        throw std::out_of_range("stoi argument out of range");
    return static_cast<std::int32_t>(value);
}

}  // namespace kestrano
