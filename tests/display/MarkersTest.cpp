// Markers with the mouse on the screen widget: the nearest marker is picked (never one that
// is not placed), a drag stays on the graticule, the readouts follow, and marker lines and
// the text annotation leave no trace when they go.

#include "device/sim/SimulatedTransport.h"
#include "display/ScopeScreen.h"
#include "display/gui/ScreenWidget.h"
#include "support/ScopeRig.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tarvik;

namespace {

class Markers : public ::testing::Test, protected test::ScopeRig {
protected:
    Markers() {
        scope.setView(&screen);
        scope.selectDefaults();
        scope.selectTimebase(QStringLiteral("0.1ms"));
        scope.selectRange(0, 2); // 1 V/div
        screen.setScopeMarkers(true);
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(&widget, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(widget.mapToGlobal(to)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &move);
        QTest::mouseRelease(&widget, Qt::LeftButton, {}, to);
    }

    ScopeScreen screen{scope};
    ScreenWidget widget{screen};
    const int L = 11, T = 20;
};

} // namespace

TEST_F(Markers, TheNearestMarkerIsPickedAndTiesGoToTheTimeMarker) {
    // Time markers at L+16 and L+634, level markers at T+16 and T+240.
    drag({L + 100, T + 230}, {L + 100, T + 200}); // 10 from level 2, 84 from time 1
    EXPECT_EQ(screen.markers().level2, T + 200);
    drag({L + 30, T + 100}, {L + 116, T + 100}); // 14 from time 1
    EXPECT_EQ(screen.markers().time1, L + 116);
    drag({L + 126, T + 26}, {L + 140, T + 50}); // 10 from time 1 and 10 from level 1: the time marker
    EXPECT_EQ(screen.markers().time1, L + 140);
    EXPECT_EQ(screen.markers().level1, T + 16);
}

TEST_F(Markers, ReadoutsFollowTheMarkersAndTheChannel) {
    drag({L + 20, T + 150}, {L + 134, T + 150});  // time 1 to L+134
    drag({L + 630, T + 150}, {L + 234, T + 150}); // time 2 to L+234: 100 pixels apart
    EXPECT_EQ(screen.readout("dt"), QStringLiteral("dt: 0.20ms"));
    EXPECT_EQ(screen.readout("1/dt"), QStringLiteral("1/dt: 5.00kHz"));
    // 0 V sits 128 pixels down (position value 128): two divisions above and below it.
    drag({L + 300, T + 20}, {L + 300, T + 64});
    drag({L + 300, T + 236}, {L + 300, T + 192});
    EXPECT_EQ(screen.readout("level"), QStringLiteral("dV: 4.00V  (2.00) (-2.00)"));
    scope.selectRange(0, 5); // 0.1 V/div: the readout follows at once
    EXPECT_EQ(screen.readout("level"), QStringLiteral("dV: 400.00mV  (200.00) (-200.00)"));
    screen.setScopeMarkers(false);
    EXPECT_EQ(screen.readout("dt"), QString());
}

TEST_F(Markers, ADragStaysOnTheGraticule) {
    drag({L + 20, T + 100}, {-50, T + 100});
    EXPECT_EQ(screen.markers().time1, L);
    drag({L + 100, T + 230}, {L + 100, 5000});
    EXPECT_EQ(screen.markers().level2, T + 256);
    drag({L + 600, T + 100}, {2000, T + 100});
    EXPECT_EQ(screen.markers().time2, L + 650);
}

TEST_F(Markers, AMarkerThatIsNotPlacedIsNeverPicked) {
    scope.fft1Click();
    screen.setSpectrumMarkers(SpectrumMarkers::Level); // level marker 2 leaves the screen
    EXPECT_LT(screen.markers().spectrum2, T);
    const int before = screen.markers().spectrum2;
    drag({L + 400, 0}, {L + 400, T + 100}); // far from everything placed but nearest the parked one
    EXPECT_EQ(screen.markers().spectrum2, before);
    EXPECT_TRUE(screen.readout("level").startsWith(QStringLiteral("V: ")));
    screen.setSpectrumMarkers(SpectrumMarkers::Difference);
    EXPECT_TRUE(screen.readout("level").startsWith(QStringLiteral("dV: ")));
    EXPECT_TRUE(screen.readout("level").endsWith(QStringLiteral("dB")));
}

TEST_F(Markers, MarkerLinesAndTheAnnotationGoWithoutATrace) {
    screen.setScopeMarkers(false);
    screen.setAnnotation({});
    const QImage before = screen.canvas().image().copy();
    screen.setScopeMarkers(true);
    EXPECT_NE(screen.canvas().image(), before);
    drag({L + 20, T + 100}, {L + 300, T + 100});
    drag({L + 300, T + 100}, {L + 16, T + 100}); // back where it was
    screen.setScopeMarkers(false);
    EXPECT_EQ(screen.canvas().image(), before);

    ScopeScreen::Annotation a;
    a.lines = {QStringLiteral("Probe x10"), QStringLiteral("DC Mean\t0.00V\t1.00V")};
    a.x = 300;
    a.y = 100;
    a.shown = true;
    a.wideColumns = true;
    screen.setAnnotation(a);
    EXPECT_NE(screen.canvas().image(), before);
    a.shown = false;
    screen.setAnnotation(a);
    EXPECT_EQ(screen.canvas().image(), before);
}
