#pragma once
// Streams for the pipeline's lines in tests: LogSink keeps them for checking,
// quietLog() takes what a test does not look at.
#include <sstream>
#include <string>

namespace kestrano {

class LogSink : public std::ostringstream {
public:
    std::string text() const { return str(); }
};

inline std::ostream& quietLog()
{
    thread_local std::ostringstream sink;
    sink.str(std::string());
    return sink;
}

}  // namespace kestrano
