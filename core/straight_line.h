#pragma once
// One straight segment traced inside one labelled region, and the containers
// that carry segments between the detector, its passes and the outputs.
// x runs along a row (column index), y across rows (row index).
#include <cstdint>
#include <deque>
#include <map>

namespace kestrano {

class StraightLine {
public:
    // valid is false; the other fields are written before they are read.
    StraightLine() = default;
    // Stores the four values and derives slope = tan(angle).
    StraightLine(double centerX, double centerY, double length, double angle);

    double centerX() const { return centerX_; }
    double centerY() const { return centerY_; }
    double x1() const { return x1_; }
    double y1() const { return y1_; }
    double x2() const { return x2_; }
    double y2() const { return y2_; }
    double length() const { return length_; }
    double angle() const { return angle_; }
    double slope() const { return slope_; }
    std::uint32_t label() const { return label_; }
    bool valid() const { return valid_; }

    void setX1(double v) { x1_ = v; }
    void setY1(double v) { y1_ = v; }
    void setX2(double v) { x2_ = v; }
    void setY2(double v) { y2_ = v; }
    void setLabel(std::uint32_t v) { label_ = v; }

private:
    double centerX_ = 0.0;
    double centerY_ = 0.0;
    double x1_ = 0.0;
    double y1_ = 0.0;
    double x2_ = 0.0;
    double y2_ = 0.0;
    double length_ = 0.0;
    double angle_ = 0.0;
    double slope_ = 0.0;
    std::uint32_t label_ = 0;
    bool valid_ = false;
};

// Segments in insertion order; order decides ties in the pruning passes.
using LineList = std::deque<StraightLine>;

// Group number (0 .. N - 1, no gaps) -> the segments of one region.
using LineGroups = std::map<int, LineList>;

// Looks a group up by number; a missing number raises std::out_of_range with
// the text "invalid map<K, T> key".
const LineList& groupAt(const LineGroups& groups, int key);

}  // namespace kestrano
