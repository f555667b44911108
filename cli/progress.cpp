#include "cli/progress.h"

#include <cmath>

namespace kestrano {

Progress::Progress(std::ostream& out, Style style, std::size_t total) : out_(out), style_(style), total_(total) {}

void Progress::started(std::size_t index, const std::string& label)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (style_ == Style::Lines && total_ > 1)
        out_ << "[" << index + 1 << "/" << total_ << "] " << label << std::endl;
    current_ = label;
    if (style_ == Style::Bar)
        draw();
}

void Progress::finished()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    ++done_;
    if (style_ == Style::Bar)
        draw();
}

void Progress::say(const std::string& line)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    clear();
    out_ << line << std::endl;
    if (style_ == Style::Bar && done_ < total_)
        draw();
}

void Progress::close()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    clear();
}

void Progress::clear()
{
    if (drawn_)
        out_ << "\r\033[K" << std::flush;
    drawn_ = false;
}

void Progress::draw()
{
    constexpr std::size_t width = 24;
    const std::size_t filled = total_ == 0 ? width : done_ * width / total_;
    std::string bar = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "] " +
                      std::to_string(done_) + "/" + std::to_string(total_);
    if (done_ < total_)
        bar += " " + current_;
    if (done_ > 0 && done_ < total_) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double left = elapsed / static_cast<double>(done_) * static_cast<double>(total_ - done_);
        bar += "  ~" + std::to_string(static_cast<long long>(std::ceil(left))) + " s left";
    }
    out_ << "\r\033[K" << bar << std::flush;
    drawn_ = true;
}

}  // namespace kestrano
