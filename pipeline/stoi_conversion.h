#pragma once
// Text to signed 32-bit integer, base 10: leading white space is skipped, an
// optional sign and digits are read, anything after them is ignored. No digit
// raises std::invalid_argument("invalid stoi argument"); a value outside the
// 32-bit range raises std::out_of_range("stoi argument out of range").
#include <cstdint>
#include <string>

namespace kestrano {

std::int32_t stoiArgument(const std::string& text);

}  // namespace kestrano
