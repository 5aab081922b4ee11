#pragma once
// Prompts as message boxes and the program's own dialogs. Without a screen (the offscreen or
// minimal platform of headless runs) nothing is shown: every text goes to standard error and
// the default answer is taken ("Yes"/"OK"; TARVIK_PROMPT_ANSWER=no gives "No"/"Cancel").

#include "base/Prompts.h"

class QWidget;

namespace tarvik {

class QtPrompts final : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr);
    void setParent(QWidget* parent) { m_parent = parent; }

    void information(const QString& text) override;
    void warning(const QString& text) override;
    bool yesNo(const QString& text) override;
    bool okCancel(const QString& text) override;
    void noHardwareResponse() override;
    bool chooseDemoMode(bool demoNow) override;
    EtsNoticeAnswer etsNotice() override;

    static bool interactive(); // false on the offscreen and minimal platforms

private:
    bool headlessAnswer(const char* kind, const QString& text) const;
    QWidget* m_parent;
};

} // namespace tarvik
