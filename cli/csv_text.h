#pragma once
// Text for CSV files: numbers in their shortest form that reads back to the
// same value, and fields quoted as RFC 4180 asks.
#include <cstdint>
#include <string>
#include <vector>

namespace kestrano {

std::string formatNumber(double value);        // shortest round-trip form
std::string formatNumber(std::int64_t value);

// A field quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& text);

// The fields joined by commas, ended by a line feed.
std::string csvLine(const std::vector<std::string>& fields);

}  // namespace kestrano
