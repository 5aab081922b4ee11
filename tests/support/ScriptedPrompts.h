#pragma once
// Prompts with scripted answers: every call is recorded as "kind: text" and the answers to
// questions are taken from a queue (a question with no scripted answer fails the test).

#include "base/Prompts.h"

#include <QStringList>
#include <deque>

namespace tarvik::test {

class ScriptedPrompts : public Prompts {
public:
    void information(const QString& text) override { record("information", text); }
    void warning(const QString& text) override { record("warning", text); }
    bool yesNo(const QString& text) override;
    bool okCancel(const QString& text) override;
    void noHardwareResponse() override { record("noHardwareResponse", {}); }
    bool chooseDemoMode(bool demoNow) override;
    // The notice is only information: without a scripted answer no box is checked.
    EtsNoticeAnswer etsNotice() override;
    void answerEtsNotice(EtsNoticeAnswer a) { m_etsAnswers.push_back(a); }

    void answer(bool value) { m_answers.push_back(value); }
    QStringList calls;

private:
    void record(const char* kind, const QString& text);
    bool nextAnswer(const char* kind, const QString& text);
    std::deque<bool> m_answers;
    std::deque<EtsNoticeAnswer> m_etsAnswers;
};

} // namespace tarvik::test
