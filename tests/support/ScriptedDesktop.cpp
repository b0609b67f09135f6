#include "ScriptedDesktop.h"

int ScriptedDesktop::messageBox(const QString& text, desktop::MessageStyle style,
                                const QString& title) {
    asked.append({QStringLiteral("message"), text,
                  title.isEmpty() ? desktop::ApplicationTitle : title, style, {}});
    return messageAnswers.isEmpty() ? desktop::ResultOk : messageAnswers.takeFirst();
}

std::optional<QString> ScriptedDesktop::inputBox(const QString& prompt, const QString& title,
                                                 const QString& defaultText) {
    asked.append({QStringLiteral("input"), prompt, title, {}, defaultText});
    return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
}

std::optional<QString> ScriptedDesktop::openFile(const QString& title) {
    asked.append({QStringLiteral("file"), {}, title, {}, {}});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
}

void ScriptedDesktop::processEvents() {
    ++pumps;
    // A copy, so that the hook may replace itself while it runs.
    if (const auto hook = onProcessEvents)
        hook();
    QtDesktop::processEvents();
}

void ScriptedDesktop::setBusyPointer(bool busy) {
    busyDepth += busy ? 1 : -1;
    maxBusyDepth = std::max(maxBusyDepth, busyDepth);
}

QList<ScriptedDesktop::Question> ScriptedDesktop::messages() const {
    QList<Question> result;
    for (const Question& q : asked)
        if (q.kind == QLatin1StringView("message"))
            result.append(q);
    return result;
}

QStringList ScriptedDesktop::messageTexts() const {
    QStringList texts;
    for (const Question& q : messages())
        texts.append(q.text);
    return texts;
}
