#include "optimize/trajectory.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "html/numbers.hpp"
#include "optimize/scores.hpp"

namespace brelk::optimize {

namespace {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

// Held at 1/128 scale, so that neither the range between the largest finite
// scores of opposite sign (-1e308 to 1e308) nor 40 times it overflows; a
// power of two scales exactly, so every other chart is drawn as before.
constexpr double span_scale = 1.0 / 128.0;

struct Span {
    double scaled_lo = 0.0;
    double scaled_range = 0.0;
};

// Only finite values set the scale: one stated infinity or NaN must not
// flatten or void every other point of the chart.
Span span_of(const std::vector<double>& values) {
    bool any = false;
    double lo = 0.0;
    double hi = 0.0;
    for (double value : values) {
        if (!std::isfinite(value)) continue;
        lo = any ? std::min(lo, value) : value;
        hi = any ? std::max(hi, value) : value;
        any = true;
    }
    return Span{lo * span_scale, hi * span_scale - lo * span_scale};
}

double height_of(double value, Span span) {
    if (std::isnan(value)) return 32.0;
    if (std::isinf(value)) return value > 0 ? 12.0 : 52.0;
    if (!(span.scaled_range > 0.0)) return 32.0;
    return 52.0 - 40.0 * (value * span_scale - span.scaled_lo) / span.scaled_range;
}

std::vector<Point> points_of(const std::vector<double>& values) {
    const auto span = span_of(values);
    const auto n = values.size();
    std::vector<Point> points;
    points.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = n >= 2 ? 16.0 + 288.0 * static_cast<double>(i) / static_cast<double>(n - 1) : 160.0;
        points.push_back(Point{x, height_of(values[i], span)});
    }
    return points;
}

struct Tip {
    double x = 0.0;
    std::string_view anchor;
};

Tip tip_of(double x) {
    if (x < 60.0) return Tip{std::max(x, 8.0), "start"};
    if (x > 260.0) return Tip{std::min(x, 312.0), "end"};
    return Tip{x, "middle"};
}

// The chart in words, for readers who cannot see it: where it starts and
// ends, and the stated best. Values and numbers only, so nothing to escape.
std::string chart_label(const OptimizeRun& run, const std::vector<double>& values, bool hide_scores) {
    const auto& first = run.iterations.front();
    const auto& last = run.iterations.back();
    const auto n = run.iterations.size();
    std::string label = fmt::format("{} of {} {}", hide_scores ? "Pass rate" : "Score", n, n == 1 ? "iteration" : "iterations");
    auto out = std::back_inserter(label);
    if (n == 1) {
        fmt::format_to(out, ": #{} at {}", first.iteration, score_display(values.front()));
    } else {
        fmt::format_to(out, ", in stated order: first #{} at {}, last #{} at {}", first.iteration,
                       score_display(values.front()), last.iteration, score_display(values.back()));
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (run.iterations[i].iteration != run.best_iteration) continue;
        fmt::format_to(out, "; stated best #{} at {}", run.best_iteration, score_display(values[i]));
        break;
    }
    return label;
}

}  // namespace

void append_trajectory(PageBuffer& page, const OptimizeRun& run, bool hide_scores) {
    if (run.iterations.empty()) return;
    std::vector<double> values;
    values.reserve(run.iterations.size());
    for (const auto& row : run.iterations) values.push_back(hide_scores ? row.observed_pass_rate : row.score);
    const auto points = points_of(values);

    auto out = fmt::appender(page);
    fmt::format_to(out,
                   "<h3>{}</h3>\n<div class=\"trajectory\">\n<svg class=\"trajectory-svg\" width=\"320\" "
                   "height=\"64\" viewBox=\"0 0 320 64\" role=\"img\" aria-label=\"{}\">",
                   hide_scores ? "Pass-rate trajectory" : "Score trajectory", chart_label(run, values, hide_scores));
    if (points.size() >= 2) {
        page += "<polyline class=\"trajectory-line\" points=\"";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0) page += ' ';
            fmt::format_to(out, "{},{}", fixed(points[i].x, 1), fixed(points[i].y, 1));
        }
        page += "\"/>";
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& row = run.iterations[i];
        const bool best = row.iteration == run.best_iteration;
        const auto tip = tip_of(points[i].x);
        fmt::format_to(out,
                       "<g class=\"pt\"><circle class=\"{}\" cx=\"{}\" cy=\"{}\" r=\"{}\"/><text class=\"tip\" "
                       "x=\"{}\" y=\"{}\" text-anchor=\"{}\">#{} · {}</text></g>",
                       best ? "trajectory-best" : "trajectory-dot", fixed(points[i].x, 1), fixed(points[i].y, 1),
                       best ? "4.5" : "3", fixed(tip.x, 1), fixed(std::max(points[i].y - 7.0, 8.0), 1), tip.anchor,
                       row.iteration, score_display(values[i]));
    }
    fmt::format_to(out,
                   "</svg>\n<p class=\"trajectory-note\">{} per iteration, left→right = iteration order · <span "
                   "class=\"mark-best\">● stated best</span></p>\n</div>\n",
                   hide_scores ? "pass rate" : "score");
}

}  // namespace brelk::optimize
