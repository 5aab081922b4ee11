// The screen on fixed display records: graticule and frame at their coordinates, traces on
// the rows of their levels, clipping under the frame lines, markers, and every inverting
// figure removed exactly by drawing it again.

#include "display/ScopeScreen.h"
#include "device/sim/SimulatedTransport.h"
#include "support/ScopeRig.h"

#include <gtest/gtest.h>
#include <set>

using namespace tarvik;

namespace {

class Screen : public ::testing::Test, protected test::ScopeRig {
protected:
    Screen() {
        scope.setView(&screen);
        scope.selectDefaults();
        scope.setHorizontalPosition(32); // start index 1024
    }
    // Shows the display record as it stands, as a replayed file does.
    void show() {
        scope.setFileReplay(true);
        scope.SpeedButtonSingleClick(true);
        clock.advance(ScopeController::kLoopMs);
    }
    void fillChannel(int channel, const std::function<int(int)>& level) {
        const int base = channel == 0 ? kCh1Base : 0;
        for (int k = 0; k < kChannelPoints; ++k) scope.records().display[base + k] = level(k);
    }
    QRgb at(int x, int y) const { return screen.canvas().pixel(x, y); }
    QRgb colour(ColorTable::Slot slot) const { return screen.colors().rgb(slot) & 0xFFFFFF; }

    ScopeScreen screen{scope};
    const int L = 11, T = 20;
};

} // namespace

TEST_F(Screen, GraticuleAndFrameFromTheImageSize) {
    EXPECT_EQ(screen.geometry().left, L);
    EXPECT_EQ(screen.geometry().top, T);
    const QRgb grid = colour(ColorTable::Dark_Grid), frame = colour(ColorTable::Bright_Grid);
    const QRgb background = colour(ColorTable::Background);
    for (int i = 0; i <= 8; ++i) EXPECT_EQ(at(L + 25, T + 32 * i), grid) << i;
    for (int i = 0; i <= 13; ++i) EXPECT_EQ(at(L + 50 * i, T + 16), grid) << i;
    EXPECT_EQ(at(L + 10, T + 126), grid); // centre-line tick
    EXPECT_EQ(at(L + 10, T + 125), background);
    EXPECT_EQ(at(L + 2, T + 6), grid); // edge tick
    EXPECT_EQ(at(L + 648, T + 45), grid);
    for (auto [x, y] : {std::pair{L - 1, T - 1}, {L + 651, T + 257}, {L + 300, T - 1}, {L - 1, T + 200}})
        EXPECT_EQ(at(x, y), frame) << x << "," << y;
    EXPECT_EQ(at(L + 25, T + 16), background);
    screen.setBrightGrid(true);
    EXPECT_EQ(at(L + 25, T + 32), frame);
}

TEST_F(Screen, TraceLandsOnTheRowOfItsLevelAndLevel127OnTheCentreLine) {
    fillChannel(0, [](int) { return 100; });
    fillChannel(1, [](int) { return 127; });
    show();
    const auto& ch1 = screen.tracePoints(0);
    ASSERT_EQ(ch1.size(), 651u); // one point per pixel, two record points apart, at the real-time steps
    for (const QPoint& p : ch1) EXPECT_EQ(p.y(), T + 155);
    EXPECT_EQ(ch1.front().x(), L);
    EXPECT_EQ(ch1.back().x(), L + 650);
    EXPECT_EQ(at(L + 25, T + 155), colour(ColorTable::Ch1));
    for (const QPoint& p : screen.tracePoints(1)) EXPECT_EQ(p.y(), T + 128);
}

TEST_F(Screen, ExtremeLevelsDisappearUnderTheFrameLines) {
    fillChannel(0, [](int) { return 0; });
    fillChannel(1, [](int) { return 255; });
    show();
    EXPECT_EQ(screen.tracePoints(0).front().y(), T + 257);
    EXPECT_EQ(screen.tracePoints(1).front().y(), T - 1);
    for (int x : {L, L + 99, L + 649}) {
        EXPECT_EQ(at(x, T + 257), colour(ColorTable::Bright_Grid)) << x;
        EXPECT_EQ(at(x, T - 1), colour(ColorTable::Bright_Grid)) << x;
        EXPECT_NE(at(x, T + 255), colour(ColorTable::Ch1)) << x; // no line along the lowest grid row
    }
}

TEST_F(Screen, EveryFigureDrawnTwiceRestoresTheImage) {
    fillChannel(0, [](int k) { return 128 + static_cast<int>(100 * std::sin(k / 40.0)); });
    fillChannel(1, [](int k) { return (k / 50) % 2 ? 30 : 220; });
    scope.setHorizontalPosition(24); // brings the trigger-point marker onto the screen
    const QImage empty = screen.canvas().image().copy();
    show();
    EXPECT_TRUE(screen.traceDrawn(0) && screen.traceDrawn(1));
    EXPECT_NE(screen.canvas().image(), empty);
    screen.poisto();
    EXPECT_EQ(screen.canvas().image(), empty);

    screen.piirrot();
    const QImage withTraces = screen.canvas().image().copy();
    scope.setTriggerOn(true); // trigger-level marker
    scope.setTriggerLevel(40);
    scope.setPosition(1, 30); // zero marker and the stored trace move
    scope.setTriggerSource(trig::SourceCh2);
    scope.setTriggerSource(trig::SourceCh1);
    scope.setPosition(1, 0);
    scope.setTriggerLevel(127);
    scope.setTriggerOn(false);
    EXPECT_EQ(screen.canvas().image(), withTraces);
}

TEST_F(Screen, WithoutDotJoinATraceIsOneDotPerScreenStep) {
    fillChannel(0, [](int k) { return k % 256; });
    screen.setDotJoin(false);
    show();
    const QImage withDots = screen.canvas().image().copy();
    std::set<std::pair<int, int>> dots; // channel 2 (all 0) lies under the frame line
    for (const QPoint& p : screen.tracePoints(0))
        if (p.y() >= T && p.y() <= T + 256) dots.emplace(p.x(), p.y());
    EXPECT_GT(dots.size(), 600u);
    screen.poisto();
    std::set<std::pair<int, int>> changed;
    for (int y = 0; y < withDots.height(); ++y)
        for (int x = 0; x < withDots.width(); ++x)
            if (screen.canvas().image().pixel(x, y) != withDots.pixel(x, y)) changed.emplace(x, y);
    std::vector<std::pair<int, int>> missing, extra;
    std::set_difference(dots.begin(), dots.end(), changed.begin(), changed.end(),
                        std::back_inserter(missing));
    std::set_difference(changed.begin(), changed.end(), dots.begin(), dots.end(), std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << missing.size() << " first " << missing[0].first << ","
                                 << missing[0].second;
    EXPECT_TRUE(extra.empty()) << extra.size() << " first " << extra[0].first << "," << extra[0].second;
}

TEST_F(Screen, TriggerMarkers) {
    scope.setTriggerOn(true);
    scope.setTriggerLevel(0);
    const QRgb ch1 = colour(ColorTable::Ch1);
    EXPECT_EQ(at(L + 2, T + 1), ch1);
    EXPECT_EQ(at(L + 5, T + 2), ch1);
    EXPECT_NE(at(L + 6, T + 1), ch1);

    show(); // start index 1024: the trigger point is at the left edge and has no marker
    for (int y = T + 250; y <= T + 256; ++y) EXPECT_NE(at(L, y), ch1);
    scope.SpeedButtonSingleClick(false);
    scope.find(); // start index 922: one division to the right
    const int x = L + 48;
    EXPECT_EQ(at(x, T + 252), ch1);
    EXPECT_EQ(at(x + 1, T + 252), ch1);
}

TEST_F(Screen, InterpolatedStepsStayInsideTheRecord) {
    fillChannel(0, [](int k) { return k % 2 ? 200 : 50; });
    for (const char* caption : {"0.2us", "0.1us"}) {
        scope.selectTimebase(QString::fromLatin1(caption));
        for (int position : {32, 272}) { // the far end: the record runs out before the screen
            scope.setHorizontalPosition(position);
            for (bool linear : {false, true}) {
                screen.setLinearInterpolation(linear);
                const auto& points = screen.tracePoints(0);
                ASSERT_FALSE(points.empty());
                EXPECT_LE(points.size(), 651u);
                for (const QPoint& p : points) {
                    EXPECT_GE(p.y(), T - 1);
                    EXPECT_LE(p.y(), T + 257);
                }
            }
        }
    }
}
