#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace tarvik::test {

void ScriptedPrompts::record(const char* kind, const QString& text) {
    calls << (text.isEmpty() ? QString::fromLatin1(kind)
                             : QString::fromLatin1(kind) + QStringLiteral(": ") + text);
}

bool ScriptedPrompts::nextAnswer(const char* kind, const QString& text) {
    record(kind, text);
    if (m_answers.empty()) {
        ADD_FAILURE() << "no scripted answer for " << kind << ": " << text.toStdString();
        return false;
    }
    const bool a = m_answers.front();
    m_answers.pop_front();
    return a;
}

bool ScriptedPrompts::yesNo(const QString& text) {
    return nextAnswer("yesNo", text);
}
bool ScriptedPrompts::okCancel(const QString& text) {
    return nextAnswer("okCancel", text);
}
bool ScriptedPrompts::chooseDemoMode(bool demoNow) {
    return nextAnswer("chooseDemoMode", demoNow ? QStringLiteral("demo") : QStringLiteral("hardware"));
}

EtsNoticeAnswer ScriptedPrompts::etsNotice() {
    record("etsNotice", {});
    if (m_etsAnswers.empty()) return {};
    const EtsNoticeAnswer a = m_etsAnswers.front();
    m_etsAnswers.pop_front();
    return a;
}

} // namespace tarvik::test
