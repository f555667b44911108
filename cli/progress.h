#pragma once
// What the tool says on standard error while it works: a progress bar on a
// terminal (done/total, current image, time left), "[i/N] name" lines
// otherwise, nothing about progress with --quiet. Every other message goes
// through say(), so that it never lands in the middle of the bar.
#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

namespace kestrano {

class Progress {
public:
    enum class Style { Bar, Lines, Quiet };

    Progress(std::ostream& out, Style style, std::size_t total);

    void started(std::size_t index, const std::string& label);
    void finished();
    void say(const std::string& line);
    void close();

private:
    void draw();
    void clear();

    std::ostream& out_;
    Style style_;
    std::size_t total_;
    std::size_t done_ = 0;
    std::string current_;
    bool drawn_ = false;
    std::mutex mutex_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace kestrano
