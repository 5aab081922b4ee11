// Calibration against the instrument model with known offset errors: the loop converges to
// the values that cancel them, the log has its exact lines, limits and faults are reported,
// and an instrument that falls silent leaves the previous calibration in force.

#include "scope/Calibrator.h"
#include "device/sim/SimulatedTransport.h"
#include "support/ScopeRig.h"
#include "support/TempDir.h"

#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tarvik;

namespace {

constexpr int kGain2V = 5, kGain1V = 4;

class Calibration : public ::testing::Test, protected test::ScopeRig {
protected:
    Calibration() {
        model.inputsConnected = false;
        calibrator.logFolder = dir.path();
        EXPECT_EQ(link.OpenDeviceW(), 0);
        scope.selectDefaults();
    }
    void errors(int ch1At2V, int ch2At2V, int ch1At1V, int ch2At1V) {
        model.offsetError[0][kGain2V] = ch1At2V;
        model.offsetError[1][kGain2V] = ch2At2V;
        model.offsetError[0][kGain1V] = ch1At1V;
        model.offsetError[1][kGain1V] = ch2At1V;
    }
    // Runs "Calibrate" to its end.
    void calibrate() {
        calibrator.Calibrate();
        ASSERT_TRUE(clock.advanceUntil([&] { return prompts.calls.size() >= 2; }, 60000, 5));
    }
    QStringList log() const {
        QFile f(dir.file(QStringLiteral("Calibration.log")));
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }

    test::TempDir dir;
    Calibrator calibrator{clock, prompts, scope};
};

const QString kPrompt = QStringLiteral("information: The oscilloscope will now be calibrated.\rPlease make "
                                       "sure that the oscilloscope inputs CH1 and "
                                       "CH2\rare disconnected from external circuits.");
const QString kFailed =
    QStringLiteral("warning: CALIBRATION FAILED.\rPlease check 'Calibration.log' file for more details");

} // namespace

TEST_F(Calibration, ConvergesToTheValuesThatCancelTheOffsetErrors) {
    errors(5, -7, 3, -2);
    QSignalSpy progress(&calibrator, &Calibrator::progressChanged);
    calibrate();
    EXPECT_EQ(prompts.calls, (QStringList{kPrompt, "information: Calibration completed successfully."}));
    const CalibrationValues& c = scope.state().calibration;
    EXPECT_EQ(c.offs_1, 133);
    EXPECT_EQ(c.offs_2, 121);
    EXPECT_EQ(c.v5_offs1, -1); // 133 - 1 - 3 = 129, inside the dead band 128..129
    EXPECT_EQ(c.v5_offs2, 5);  // 121 + 5 + 2 = 128
    EXPECT_EQ(c.channel[0].pos, (std::array<int, 3>{128, 32, 224}));
    EXPECT_EQ(c.channel[0].ad, (std::array<int, 3>{133, 37, 229}));
    EXPECT_EQ(c.channel[1].ad, (std::array<int, 3>{121, 25, 217}));
    EXPECT_EQ(log(),
              (QStringList{"Calibration results:", "", "CH1 offset at 2V/div      :\t133\tOK",
                           "CH2 offset at 2V/div      :\t121\tOK", "Rounds :\t8",
                           "CH1 offset at 1V/div   :\t-1\tOK", "CH2 offset at 1V/div   :\t5\tOK",
                           "Rounds :\t6", "CH1 Y-position low, CH1_DAC1\t32\t37",
                           "CH2 Y-position low, CH2_DAC1\t32\t25", "Rounds :\t8",
                           "CH1 Y-position mid, CH1_DAC0\t128\t133", "CH2 Y-position mid, CH2_DAC0\t128\t121",
                           "Rounds :\t8", "CH1 Y-position high, CH1_DAC2\t224\t229",
                           "CH2 Y-position high, CH2_DAC2\t224\t217", "Rounds :\t8"}));
    std::vector<int> percents;
    for (const auto& args : progress) percents.push_back(args.at(1).toInt());
    EXPECT_EQ(percents, (std::vector<int>{0, 10, 30, 50, 70, 100, 100}));
    EXPECT_FALSE(progress.last().at(0).toBool()); // the panel is hidden at the end
    EXPECT_FALSE(calibrator.firstRunPending);
    EXPECT_FALSE(scope.state().calibrating);
    // The oscilloscope is back where a user expects it: 2 V, 2 V, 1 ms, DC, trigger off.
    EXPECT_EQ(commands.settingsRecord(), (SettingsRecord{5, 5, 255 - 133, 255 - 121, 127, 9, 0, 0, 0, 0, 0}));
    EXPECT_EQ(scope.state().channel[0].positionValue, 128);
}

TEST_F(Calibration, LimitsOfTheOffsets) {
    struct Case {
        int ch1At2V, ch1At1V;
        const char* line2V;
        const char* line1V;
        bool ok; // false: the run as a whole fails (an OK line alone does not make it pass:
                 // at 165 the high point needs a DAC value beyond 255)
    };
    const Case cases[] = {
        {37, 37, "CH1 offset at 2V/div      :\t165\tOK", "CH1 offset at 1V/div   :\t0\tOK", true},
        {38, 38, "CH1 offset at 2V/div      :\t166\tFAIL", "CH1 offset at 1V/div   :\t0\tOK", false},
        // Coming down from 0 the range offset stops at the top of the dead band: 1 + the error.
        {0, -50, "CH1 offset at 2V/div      :\t128\tOK", "CH1 offset at 1V/div   :\t-49\tOK", true},
        {0, -51, "CH1 offset at 2V/div      :\t128\tOK", "CH1 offset at 1V/div   :\t-50\tFAIL", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line2V);
        prompts.calls.clear();
        errors(c.ch1At2V, 0, c.ch1At1V, 0);
        calibrate();
        EXPECT_TRUE(log().contains(QString::fromLatin1(c.line2V))) << log().join('|').toStdString();
        EXPECT_TRUE(log().contains(QString::fromLatin1(c.line1V))) << log().join('|').toStdString();
        if (!c.ok) {
            EXPECT_EQ(prompts.calls.last(), kFailed);
        }
    }
}

TEST_F(Calibration, AnOffsetPinnedAtTheDacLimitFailsItsPhase) {
    errors(0, -140, 0, -140); // far out: channel 2's low point pins at 0
    calibrate();
    EXPECT_EQ(prompts.calls.last(), kFailed);
    const QStringList lines = log();
    // The zero offset gives up after 51 rounds, out of its limits.
    EXPECT_TRUE(lines.contains(QStringLiteral("CH2 offset at 2V/div      :\t77\tFAIL")));
    EXPECT_TRUE(lines.contains(QStringLiteral("CH2 Y-position low, CH2_DAC1\t140\t0\tFAIL")));
    EXPECT_TRUE(lines.contains(QStringLiteral("CH1 Y-position low, CH1_DAC1\t32\t32")));
}

TEST_F(Calibration, ASilentInstrumentAbortsAndTheOldCalibrationStays) {
    CalibrationValues previous;
    previous.offs_1 = 140;
    previous.channel[1].ad = {130, 30, 230};
    scope.setCalibration(previous);
    errors(5, -7, 3, -2);
    calibrator.Calibrate();
    ASSERT_TRUE(clock.advanceUntil(
        [&] { return log().isEmpty() && scope.state().calibrating && calibrator.running(); }, 5000, 5));
    ASSERT_TRUE(clock.advanceUntil(
        [&] { return commands.settingsRecord()[0] == 5 && calibrator.results().size() > 8; }, 60000, 5));
    model.silent = true; // in the third phase
    ASSERT_TRUE(clock.advanceUntil([&] { return !calibrator.running(); }, 5000, 5));
    EXPECT_EQ(scope.state().calibration, previous);
    EXPECT_TRUE(calibrator.firstRunPending);
    EXPECT_FALSE(scope.state().calibrating);
    EXPECT_EQ(prompts.calls.last(), kFailed);
    EXPECT_EQ(log().last(), QStringLiteral("Calibration aborted: no response from the oscilloscope.\tFAIL"));
    model.silent = false; // the window is usable: Run works again
    scope.SpeedButtonRunClick(true);
    clock.advance(50);
    EXPECT_TRUE(scope.state().acq.frameShown);
}

TEST_F(Calibration, ALogThatCannotBeWrittenIsReported) {
    QFile blocker(dir.file(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    calibrator.logFolder = blocker.fileName();
    calibrate();
    ASSERT_GE(prompts.calls.size(), 3);
    EXPECT_TRUE(prompts.calls[1].startsWith(QStringLiteral("warning: The calibration log")))
        << prompts.calls[1].toStdString();
    EXPECT_FALSE(scope.state().calibrating);
    EXPECT_FALSE(calibrator.running());
}

TEST_F(Calibration, FirstRunQuestionAndDemoMode) {
    prompts.answer(false); // Cancel: asked again next time
    calibrator.firstRunPrompt();
    EXPECT_TRUE(calibrator.firstRunPending);
    EXPECT_FALSE(calibrator.running());
    link.setDemoMode(true);
    calibrator.Calibrate();
    clock.advance(2000);
    EXPECT_TRUE(model.received().size() < 10); // nothing but the defaults; no streaming
    EXPECT_EQ(prompts.calls.size(), 1);
}

TEST(ReadBytes, ChannelMeansInScreenTerms) {
    Payload report{};
    for (int i = 0; i < 32; ++i) {
        report[2 * i] = static_cast<std::uint8_t>(i < 16 ? 100 : 101); // mean 100.5, truncated to 100
        report[2 * i + 1] = 27;
    }
    EXPECT_EQ(Calibrator::ReadBytes(report), (255 - 100) | (255 - 27) << 8);
}

TEST_F(Calibration, TheDeferredCalibrationRunsOnceAfter150MeasuredFrames) {
    calibrator.extendCalTime = true;
    model.clearReceived();
    for (int i = 0; i < 149; ++i) calibrator.extendedCalibrationTick();
    EXPECT_FALSE(calibrator.running());
    EXPECT_EQ(model.received().size(), 29u); // the settings again on every fifth frame
    calibrator.extendedCalibrationTick();
    EXPECT_TRUE(calibrator.running()); // without the question
    ASSERT_TRUE(clock.advanceUntil([&] { return !calibrator.running(); }, 60000, 5));
    EXPECT_EQ(prompts.calls, QStringList{"information: Calibration completed successfully."});
    EXPECT_EQ(scope.state().channel[0].range, rangeIndexForCaption("1V"));
    EXPECT_EQ(scope.state().channel[1].range, rangeIndexForCaption("1V"));
    EXPECT_FALSE(calibrator.extendCalTime);
    EXPECT_FALSE(calibrator.firstRunPending);
    for (int i = 0; i < 300; ++i) calibrator.extendedCalibrationTick();
    EXPECT_FALSE(calibrator.running()); // once per run of the program
}
