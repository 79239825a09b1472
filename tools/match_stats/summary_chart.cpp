#include "tools/match_stats/summary_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace zamo::stats {
namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 660;
constexpr Colour kBackground{255, 255, 255};
constexpr Colour kInk{30, 30, 30};
constexpr Colour kGrid{210, 210, 210};
constexpr Colour kWin{40, 150, 60};
constexpr Colour kLoss{200, 50, 40};
constexpr Colour kMean{30, 80, 200};
constexpr Colour kBand{200, 215, 245};
constexpr Colour kGrass{50, 120, 60};
constexpr Colour kLines{235, 235, 235};

// Bar chart of the goal differences.
constexpr int kPlotLeft = 70;
constexpr int kPlotRight = 940;
constexpr int kPlotTop = 50;
constexpr int kPlotBottom = 270;

// Heat maps: 4 pixels a metre.
constexpr int kScale = 4;
constexpr int kFieldTop = 340;
constexpr int kFieldLefts[2] = {40, 500};

// Markings of the field, in metres.
constexpr double kCentreCircle = 9.15;
constexpr double kPenaltyDepth = 16.5;
constexpr double kPenaltyWidth = 40.32;
constexpr double kGoalAreaDepth = 5.5;
constexpr double kGoalAreaWidth = 18.32;
constexpr double kGoalWidth = 14.02;
constexpr double kGoalDepth = 2.0;

std::string signedText(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.*f", decimals, value);
    return text;
}

Colour heatColour(double t) {
    // Grass for nothing, through yellow to red for the most.
    const Colour low = kGrass;
    const Colour middle{245, 220, 60};
    const Colour high{215, 35, 30};
    const auto mix = [](Colour a, Colour b, double f) {
        return Colour{static_cast<std::uint8_t>(a.r + (b.r - a.r) * f),
                      static_cast<std::uint8_t>(a.g + (b.g - a.g) * f),
                      static_cast<std::uint8_t>(a.b + (b.b - a.b) * f)};
    };
    t = std::clamp(t, 0.0, 1.0);
    return t < 0.5 ? mix(low, middle, t * 2) : mix(middle, high, (t - 0.5) * 2);
}

void drawBars(Image& image, const std::vector<MatchRow>& rows, const Summary& summary) {
    image.text(20, 14, "Goal difference per match, new minus baseline", kInk, 2);
    std::vector<const MatchRow*> ordered;
    for (const MatchRow& row : rows) {
        ordered.push_back(&row);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const MatchRow* a, const MatchRow* b) { return a->match < b->match; });
    int range = 1;
    for (const MatchRow* row : ordered) {
        range = std::max(range, std::abs(row->goalsNew() - row->goalsBaseline()));
    }
    const int step = range <= 10 ? 1 : (range + 4) / 5;
    range = (range + step - 1) / step * step;
    const double middle = (kPlotTop + kPlotBottom) / 2.0;
    const double perGoal = (kPlotBottom - kPlotTop) / 2.0 / range;
    const auto yOf = [&](double goals) {
        return static_cast<int>(std::lround(middle - goals * perGoal));
    };

    if (summary.matches >= 2) {
        const int top = yOf(std::min(summary.high, static_cast<double>(range)));
        const int bottom = yOf(std::max(summary.low, static_cast<double>(-range)));
        image.fillRect(kPlotLeft, top, kPlotRight - kPlotLeft, bottom - top + 1, kBand);
    }
    for (int goals = -range; goals <= range; goals += step) {
        const int y = yOf(goals);
        image.line(kPlotLeft, y, kPlotRight, y, goals == 0 ? kInk : kGrid);
        const std::string label = goals > 0 ? "+" + std::to_string(goals) : std::to_string(goals);
        image.text(kPlotLeft - 8 - Image::textWidth(label), y - 3, label, kInk);
    }
    const int count = static_cast<int>(ordered.size());
    const double slot = count > 0 ? static_cast<double>(kPlotRight - kPlotLeft) / count : 0.0;
    const int barWidth = std::clamp(static_cast<int>(slot * 0.7), 1, 60);
    for (int i = 0; i < count; ++i) {
        const int difference = ordered[i]->goalsNew() - ordered[i]->goalsBaseline();
        const int x = kPlotLeft + static_cast<int>(slot * i + (slot - barWidth) / 2);
        if (difference == 0) {
            image.fillRect(x, yOf(0) - 1, barWidth, 3, kInk);
        } else {
            const int top = std::min(yOf(0), yOf(difference));
            const int height = std::abs(yOf(difference) - yOf(0));
            image.fillRect(x, top, barWidth, height, difference > 0 ? kWin : kLoss);
        }
        const std::string label = std::to_string(ordered[i]->match);
        if (Image::textWidth(label) + 2 <= slot) {
            image.text(x + (barWidth - Image::textWidth(label)) / 2, kPlotBottom + 6, label, kInk);
        }
    }
    if (summary.matches >= 1) {
        const int y = yOf(summary.meanDifference);
        for (int x = kPlotLeft; x < kPlotRight; x += 8) {
            image.line(x, y, std::min(x + 4, kPlotRight), y, kMean);
        }
        std::string label = "mean " + signedText(summary.meanDifference, 2);
        if (summary.matches >= 2) {
            label += ", 95% interval [" + signedText(summary.low, 2) + ", " +
                     signedText(summary.high, 2) + "]";
        }
        image.text(kPlotRight - Image::textWidth(label, 2), 34, label, kMean, 2);
    }
    image.text(kPlotLeft, kPlotBottom + 18, "match", kInk);
}

void drawField(Image& image, int left, const HeatMap& heat, long most, const std::string& title) {
    image.text(left, kFieldTop - 24, title, kInk, 2);
    const int width = static_cast<int>(kFieldLength * kScale);
    const int height = static_cast<int>(kFieldWidth * kScale);
    const double cellWidth = static_cast<double>(width) / kHeatColumns;
    const double cellHeight = static_cast<double>(height) / kHeatRows;
    long total = 0;
    for (int row = 0; row < kHeatRows; ++row) {
        for (int column = 0; column < kHeatColumns; ++column) {
            const long value = heat.at(column, row);
            total += value;
            const double t = most > 0 ? std::sqrt(static_cast<double>(value) / most) : 0.0;
            const int x0 = left + static_cast<int>(column * cellWidth);
            const int y0 = kFieldTop + static_cast<int>(row * cellHeight);
            const int x1 = left + static_cast<int>((column + 1) * cellWidth);
            const int y1 = kFieldTop + static_cast<int>((row + 1) * cellHeight);
            image.fillRect(x0, y0, x1 - x0, y1 - y0, value > 0 ? heatColour(t) : kGrass);
        }
    }
    const auto px = [&](double x) {
        return left + static_cast<int>(std::lround((x + kFieldLength / 2) * kScale));
    };
    const auto py = [&](double y) {
        return kFieldTop + static_cast<int>(std::lround((y + kFieldWidth / 2) * kScale));
    };
    const auto box = [&](double x0, double y0, double x1, double y1, Colour colour) {
        image.line(px(x0), py(y0), px(x1), py(y0), colour);
        image.line(px(x1), py(y0), px(x1), py(y1), colour);
        image.line(px(x1), py(y1), px(x0), py(y1), colour);
        image.line(px(x0), py(y1), px(x0), py(y0), colour);
    };
    const double half = kFieldLength / 2;
    box(-half, -kFieldWidth / 2, half, kFieldWidth / 2, kLines);
    image.line(px(0), py(-kFieldWidth / 2), px(0), py(kFieldWidth / 2), kLines);
    image.circle(px(0), py(0), static_cast<int>(kCentreCircle * kScale), kLines);
    for (const double end : {-half, half}) {
        const double inward = end < 0 ? 1.0 : -1.0;
        box(end, -kPenaltyWidth / 2, end + inward * kPenaltyDepth, kPenaltyWidth / 2, kLines);
        box(end, -kGoalAreaWidth / 2, end + inward * kGoalAreaDepth, kGoalAreaWidth / 2, kLines);
        box(end, -kGoalWidth / 2, end - inward * kGoalDepth, kGoalWidth / 2, kInk);
    }
    // The direction of attack, and how much the picture holds.
    const int arrowY = kFieldTop + height + 14;
    image.line(left + width - 60, arrowY, left + width, arrowY, kInk);
    image.line(left + width - 6, arrowY - 4, left + width, arrowY, kInk);
    image.line(left + width - 6, arrowY + 4, left + width, arrowY, kInk);
    image.text(left + width - 120, arrowY - 3, "attack", kInk);
    image.text(left, arrowY - 3, std::to_string(total) + " cycles with the ball", kInk);
}

}  // namespace

Image summaryChart(const std::vector<MatchRow>& rows, const Summary& summary,
                   const HeatMap& newHeat, const HeatMap& baselineHeat) {
    Image image(kWidth, kHeight, kBackground);
    drawBars(image, rows, summary);
    long most = 0;
    for (const HeatMap* heat : {&newHeat, &baselineHeat}) {
        most = std::max(most, *std::max_element(heat->cells.begin(), heat->cells.end()));
    }
    drawField(image, kFieldLefts[0], newHeat, most, "New build with the ball");
    drawField(image, kFieldLefts[1], baselineHeat, most, "Baseline with the ball");
    return image;
}

}  // namespace zamo::stats
