#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

void ScriptedDialogs::error(const QString& title, const QString& text) {
    shown.append({"error", title, text, {}});
}

void ScriptedDialogs::notice(const QString& text, const QString& title) {
    shown.append({"notice", title, text, {}});
}

QString ScriptedDialogs::prompt(const QString& text, const QString& title,
                                const QString& defaultText) {
    shown.append({"prompt", title, text, defaultText});
    if (answers_.isEmpty()) {
        ADD_FAILURE() << "unscripted prompt: " << text.toStdString();
        return {};
    }
    return answers_.dequeue();
}

bool ScriptedDialogs::question(const QString& text, const QString& title) {
    shown.append({"question", title, text, {}});
    if (replies_.isEmpty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return false;
    }
    return replies_.dequeue();
}

QStringList ScriptedDialogs::errors() const {
    QStringList list;
    for (const Shown& s : shown)
        if (s.kind == "error") list.append(s.text);
    return list;
}

QString expectedReport(const QString& description, const QString& location, int statement) {
    return description + "\r\nin Brevanel2021/08/31." + location + " at line " +
           QString::number(statement) + "\r\rPlease email screenshot of this message to " +
           QUORVANE_SUPPORT_EMAIL;
}
