// The "Waveform Parameters" window in the whole program: the View menu item shows and hides
// it, and a frame fills its cells only while it is shown.

#include "analysis/gui/TForm_99.h"
#include "app/gui/Program.h"
#include "files/IniFile.h"
#include "support/TempDir.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tarvik;

TEST(WaveformParametersWindow, ViewMenuTogglesItAndFramesFillIt) {
    test::TempDir dir;
    CommandLineOptions options;
    options.device.kind = DeviceChoice::Kind::Demo;
    Program program(options, dir.file(QStringLiteral("Tarvik.ini")));
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(program.controller().startupDone(), 5000);

    QAction* item = nullptr;
    for (QAction* a : program.window().menuBar()->findChildren<QAction*>())
        if (a->text() == QStringLiteral("Waveform Parameters...")) item = a;
    auto* window = program.window().findChild<TForm_99*>();
    ASSERT_TRUE(item && window);
    auto* single = program.window().findChild<QPushButton*>(QStringLiteral("singleButton"));
    ASSERT_TRUE(single);
    QSignalSpy frames(&program.scope(), &ScopeController::frameDisplayed);

    // Hidden: a frame measures nothing.
    QTest::mouseClick(single, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() == 1, 5000);
    EXPECT_TRUE(window->valueLabel(0, Parameter::DcMean)->text().isEmpty());

    item->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->valueLabel(0, Parameter::DcMean)->text().endsWith(QLatin1String("V")));
    window->valueLabel(0, Parameter::DcMean)->clear();
    QTest::mouseClick(single, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(frames.count() == 2, 5000);
    EXPECT_FALSE(window->valueLabel(0, Parameter::DcMean)->text().isEmpty());

    item->trigger();
    EXPECT_FALSE(window->isVisible());
    program.window().close();
}
