// The "Waveform Parameters" pass over the oscilloscope's frame: the two columns and the Phase
// row, nothing kept from an earlier pass, the moved-trace rule, the parameter text with CH1,
// CH2 or both, "Show on Screen", and the window bound to it.

#include "analysis/WaveformParameters.h"
#include "Signals.h"
#include "analysis/gui/TForm_99.h"
#include "scope/ScopeController.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tarvik;
using namespace tarvik::test;

namespace {

class Parameters : public ::testing::Test {
protected:
    Parameters() : link(nullptr), commands(link), scope(clock, prompts, commands), parameters(scope) {
        scope.selectRange(0, 2); // "1V"
        scope.selectRange(1, 2);
        parameters.setStoredZeroLevels(std::array<int, 2>{128, 128});
        scope.consumers.measure = [this](bool) { parameters.measure(); };
    }
    // Puts a frame in the display record (channel 1, channel 2).
    void frame(const Points& ch1, const Points& ch2) {
        std::vector<std::int32_t>& d = scope.records().display;
        std::copy(ch2.begin(), ch2.end(), d.begin());
        std::copy(ch1.begin(), ch1.end(), d.begin() + kCh1Base);
    }
    // A replayed Single: the frame in the records is processed as a capture.
    void single() {
        scope.setFileReplay(true);
        scope.SpeedButtonSingleClick(true);
        clock.advance(ScopeController::kLoopMs);
        ASSERT_TRUE(scope.idle());
    }
    QString cell(int column, Parameter p) const { return parameters.cell(column, p); }

    VirtualClock clock;
    ScriptedPrompts prompts;
    DeviceLink link;
    CommandSet commands;
    ScopeController scope;
    WaveformParameters parameters;
};

void click(QWidget& window, const char* caption) {
    for (QPushButton* b : window.findChildren<QPushButton*>())
        if (b->text() == QLatin1String(caption)) return b->click();
    ADD_FAILURE() << "no button " << caption;
}

} // namespace

TEST_F(Parameters, NothingIsMeasuredWhileTheWindowIsHidden) {
    frame(square(96, 160, 100), square(96, 160, 100));
    QSignalSpy measured(&parameters, &WaveformParameters::measured);
    single();
    EXPECT_EQ(measured.count(), 0);
    EXPECT_TRUE(cell(0, Parameter::Period).isEmpty());
    parameters.setActive(true);
    single();
    EXPECT_EQ(measured.count(), 1);
    EXPECT_EQ(cell(0, Parameter::Period), QStringLiteral("1.00 ms"));
}

TEST_F(Parameters, BothColumnsAndThePhaseRow) {
    parameters.setActive(true);
    frame(sine(60, 200), sine(60, 200, 25)); // channel 2 lags by 45 degrees
    single();
    EXPECT_EQ(cell(0, Parameter::Frequency), QStringLiteral("0.500 kHz"));
    EXPECT_EQ(cell(1, Parameter::Frequency), QStringLiteral("0.500 kHz"));
    EXPECT_NEAR(parameters.phase(), 45, 1);
    EXPECT_EQ(cell(0, Parameter::Phase), formatFixed(parameters.phase(), 1) + QStringLiteral(" deg"));
    EXPECT_EQ(cell(1, Parameter::Phase), formatFixed(-parameters.phase(), 1) + QStringLiteral(" deg"));
    // An unchecked parameter leaves both cells empty; an unchecked CH2 its whole column.
    parameters.setChecked(Parameter::Max, false);
    EXPECT_TRUE(cell(0, Parameter::Max).isEmpty());
    EXPECT_TRUE(cell(1, Parameter::Max).isEmpty());
    parameters.setChannelChecked(1, false);
    for (int p = 0; p < kParameters; ++p) EXPECT_TRUE(parameters.cells()[1][p].isEmpty()) << p;
    EXPECT_FALSE(cell(0, Parameter::Phase).isEmpty());
}

TEST_F(Parameters, NoValueLeaksFromThePreviousFrame) {
    parameters.setActive(true);
    frame(square(96, 160, 100), sine(60, 200));
    single();
    EXPECT_EQ(cell(0, Parameter::DutyCycle), QStringLiteral("50.0 %"));
    frame(flat(128), flat(128));
    single();
    for (Parameter p : {Parameter::DutyCycle, Parameter::PositiveWidth, Parameter::Period,
                        Parameter::Frequency, Parameter::RiseTime})
        EXPECT_EQ(cell(0, p), QStringLiteral("???")) << static_cast<int>(p);
    EXPECT_EQ(parameters.measurement(0).frequency, -1);
    EXPECT_EQ(parameters.phase(), 0);
    EXPECT_EQ(cell(0, Parameter::Phase), QStringLiteral("0.0 deg"));
}

TEST_F(Parameters, MovedTraceClearsTheLevelCells) {
    parameters.setStoredZeroLevels(std::nullopt); // the live zero level, 255 − position value
    parameters.setActive(true);
    frame(square(96, 160, 100), square(96, 160, 100));
    single();
    EXPECT_FALSE(cell(0, Parameter::DcMean).isEmpty());
    scope.setPosition(0, scope.state().channel[0].position + 10); // after the capture
    parameters.measure();
    for (const ParameterRow& row : parameterTable()) {
        const int p = static_cast<int>(row.parameter);
        EXPECT_EQ(parameters.cells()[0][p].isEmpty(), row.levelDependent) << row.copyLabel;
        EXPECT_FALSE(parameters.cells()[1][p].isEmpty()) << row.copyLabel;
    }
    single(); // a new capture
    EXPECT_FALSE(cell(0, Parameter::DcMean).isEmpty());
}

TEST_F(Parameters, ParameterTextWithOneOrBothChannels) {
    parameters.setActive(true);
    parameters.selectAll(false);
    parameters.setChecked(Parameter::Period, true);
    parameters.setChecked(Parameter::Phase, true);
    frame(sine(60, 200), sine(60, 200, 25));
    single();
    const QString phase1 = cell(0, Parameter::Phase), phase2 = cell(1, Parameter::Phase);
    EXPECT_EQ(parameters.parameterText(),
              (QStringList{QStringLiteral(" \tCH1\tCH2"), QStringLiteral("Period:\t2.00 ms\t2.00 ms"),
                           QStringLiteral("Phase:\t") + phase1 + QLatin1Char('\t') + phase2}));
    parameters.setChannelChecked(1, false);
    EXPECT_EQ(parameters.parameterText(),
              (QStringList{QStringLiteral(" \tCH1"), QStringLiteral("Period:\t2.00 ms"),
                           QStringLiteral("Phase:\t") + phase1}));
    parameters.setChannelChecked(1, true);
    parameters.setChannelChecked(0, false);
    EXPECT_EQ(parameters.parameterText(),
              (QStringList{QStringLiteral(" \tCH2"), QStringLiteral("Period:\t2.00 ms"),
                           QStringLiteral("Phase:\t") + phase2}));
    EXPECT_TRUE(phase2.startsWith(QLatin1Char('-')));
    parameters.setChannelChecked(1, false);
    EXPECT_TRUE(parameters.parameterText().isEmpty());
}

TEST_F(Parameters, ShowOnScreenLayout) {
    const QStringList both{QStringLiteral(" \tCH1\tCH2"), QStringLiteral("Max:\t1.00 V\t2.00 V")};
    const std::vector<ScreenText> texts = parameterScreenText(both, true, true);
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[3].text, QStringLiteral("Max:"));
    EXPECT_EQ(texts[3].x, 470);
    EXPECT_EQ(texts[3].y, 35);
    EXPECT_EQ(texts[3].colour, ScreenText::Colour::TimeMarker);
    EXPECT_EQ(texts[4].x, 540);
    EXPECT_EQ(texts[4].colour, ScreenText::Colour::Ch1);
    EXPECT_EQ(texts[5].text, QStringLiteral("2.00 V"));
    EXPECT_EQ(texts[5].x, 600);
    EXPECT_EQ(texts[5].colour, ScreenText::Colour::Ch2);
    const std::vector<ScreenText> ch2 = parameterScreenText({QStringLiteral(" \tCH2")}, false, true);
    ASSERT_EQ(ch2.size(), 2u);
    EXPECT_EQ(ch2[1].x, 540);
    EXPECT_EQ(ch2[1].y, 22);
    EXPECT_EQ(ch2[1].colour, ScreenText::Colour::Ch2);
    // Off, nothing is drawn; hiding the window switches it off.
    parameters.setActive(true);
    EXPECT_TRUE(parameters.screenText().empty());
    QSignalSpy changed(&parameters, &WaveformParameters::showOnScreenChanged);
    parameters.setShowOnScreen(true);
    EXPECT_FALSE(parameters.screenText().empty());
    parameters.setActive(false);
    EXPECT_FALSE(parameters.showOnScreen());
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(Parameters, WindowFollowsTheSelectionAndShowsTheCells) {
    TForm_99 window(parameters);
    EXPECT_FALSE(parameters.active());
    window.toggleShown();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(parameters.active());
    frame(square(96, 160, 100), square(96, 160, 100));
    single();
    EXPECT_EQ(window.valueLabel(0, Parameter::Frequency)->text(), QStringLiteral("1.00 kHz"));
    EXPECT_EQ(window.parameterBox(Parameter::DcMean)->text(), QStringLiteral("DC  Mean"));
    window.parameterBox(Parameter::Frequency)->click();
    EXPECT_FALSE(parameters.checked(Parameter::Frequency));
    EXPECT_TRUE(window.valueLabel(0, Parameter::Frequency)->text().isEmpty());
    click(window, "Unselect All");
    for (int p = 0; p < kParameters; ++p)
        EXPECT_FALSE(window.parameterBox(static_cast<Parameter>(p))->isChecked());
    click(window, "Select All");
    EXPECT_TRUE(window.parameterBox(Parameter::Frequency)->isChecked());
    EXPECT_EQ(window.valueLabel(1, Parameter::Frequency)->text(), QStringLiteral("1.00 kHz"));
    window.showOnScreenBox()->click();
    EXPECT_TRUE(parameters.showOnScreen());
    click(window, "Close");
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(parameters.active());
    EXPECT_FALSE(parameters.showOnScreen());
    EXPECT_FALSE(window.showOnScreenBox()->isChecked());
}
