#pragma once

#include "Dialogs.h"

#include <QQueue>
#include <QString>
#include <QStringList>

// Dialogs that record every box and answer prompts and questions from a script. A prompt or
// question that the test did not script fails the test.
class ScriptedDialogs final : public look::Dialogs {
public:
    struct Shown {
        QString kind;  // "error", "notice", "prompt" or "question"
        QString title;
        QString text;
        QString defaultText;
    };

    ScriptedDialogs() { look::setDialogs(this); }
    ~ScriptedDialogs() override { look::setDialogs(nullptr); }

    ScriptedDialogs& answer(const QString& text) {
        answers_.enqueue(text);
        return *this;
    }
    ScriptedDialogs& yes() {
        replies_.enqueue(true);
        return *this;
    }
    ScriptedDialogs& no() {
        replies_.enqueue(false);
        return *this;
    }

    void error(const QString& title, const QString& text) override;
    QString prompt(const QString& text, const QString& title, const QString& defaultText) override;
    bool question(const QString& text, const QString& title) override;
    void notice(const QString& text, const QString& title) override;

    QList<Shown> shown;
    // The error reports shown so far.
    QStringList errors() const;
    // Every script entry was used.
    bool scriptUsed() const { return answers_.isEmpty() && replies_.isEmpty(); }

private:
    QQueue<QString> answers_;
    QQueue<bool> replies_;
};

// The report the program shows for `description` at `location`, statement `statement`.
QString expectedReport(const QString& description, const QString& location, int statement);
