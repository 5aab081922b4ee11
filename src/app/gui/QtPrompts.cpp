#include "app/gui/QtPrompts.h"

#include "app/gui/Dialogs.h"
#include "scope/gui/EtsNoticeDialog.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

namespace tarvik {

QtPrompts::QtPrompts(QWidget* parent) : m_parent(parent) {}

bool QtPrompts::interactive() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

bool QtPrompts::headlessAnswer(const char* kind, const QString& text) const {
    const bool answer =
        qEnvironmentVariable("TARVIK_PROMPT_ANSWER").compare(QLatin1String("no"), Qt::CaseInsensitive) != 0;
    QString line = displayText(text);
    line.replace(QLatin1Char('\n'), QLatin1String(" | "));
    std::fprintf(stderr, "tarvik: %s: %s\n", kind, line.toLocal8Bit().constData());
    std::fflush(stderr);
    return answer;
}

void QtPrompts::information(const QString& text) {
    if (!interactive()) {
        headlessAnswer("information", text);
        return;
    }
    QMessageBox::information(m_parent, QStringLiteral("Information"), displayText(text));
}

void QtPrompts::warning(const QString& text) {
    if (!interactive()) {
        headlessAnswer("warning", text);
        return;
    }
    QMessageBox::warning(m_parent, QStringLiteral("Warning"), displayText(text));
}

bool QtPrompts::yesNo(const QString& text) {
    if (!interactive()) return headlessAnswer("question", text);
    return QMessageBox::question(m_parent, QStringLiteral("Confirm"), displayText(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtPrompts::okCancel(const QString& text) {
    if (!interactive()) return headlessAnswer("question", text);
    return QMessageBox::information(m_parent, QStringLiteral("Information"), displayText(text),
                                    QMessageBox::Ok | QMessageBox::Cancel,
                                    QMessageBox::Ok) == QMessageBox::Ok;
}

void QtPrompts::noHardwareResponse() {
    if (!interactive()) {
        headlessAnswer("window", QStringLiteral("No hardware response!"));
        return;
    }
    NoHardwareDialog dialog(m_parent);
    dialog.exec();
}

bool QtPrompts::chooseDemoMode(bool demoNow) {
    if (!interactive()) {
        headlessAnswer("window", QStringLiteral("Please select the oscilloscope hardware"));
        return demoNow;
    }
    HardwareSetupDialog dialog(demoNow, m_parent);
    dialog.exec();
    return dialog.demoChosen();
}

EtsNoticeAnswer QtPrompts::etsNotice() {
    if (!interactive()) {
        headlessAnswer("window", QStringLiteral("Equivalent Time Sampling (ETS) mode is now selected."));
        return {};
    }
    EtsNoticeDialog dialog(m_parent);
    dialog.exec();
    return {dialog.duringSession(), dialog.never()};
}

} // namespace tarvik
