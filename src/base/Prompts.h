#pragma once
// Every question and message the program puts to the user goes through Prompts, so that
// start-up and failure paths run headless with scripted answers and never block on a box.
// Texts are the program's own; a "\r" in a text is a line break.

#include <QString>

namespace tarvik {

// The two check boxes of the equivalent-time notice.
struct EtsNoticeAnswer {
    bool duringSession = false; // "During this session"
    bool never = false;         // "Never"
};

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual void information(const QString& text) = 0;
    virtual void warning(const QString& text) = 0;
    virtual bool yesNo(const QString& text) = 0;    // true for "Yes"
    virtual bool okCancel(const QString& text) = 0; // true for "OK"

    // The program's own small windows.
    virtual void noHardwareResponse() = 0; // the "No hardware response!" window
    // The "Hardware Setup..." dialog: returns true when "None = Demo mode" is chosen.
    virtual bool chooseDemoMode(bool demoNow) = 0;
    // The equivalent-time sampling notice.
    virtual EtsNoticeAnswer etsNotice() = 0;
};

// Turns the "\r" line breaks of the program's texts into "\n" for display.
QString displayText(const QString& text);

} // namespace tarvik
