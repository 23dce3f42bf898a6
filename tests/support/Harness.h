#pragma once

#include "Dialogs.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>
#include <ostream>

// The bytes of `lines`, each followed by CR LF.
QByteArray crlf(std::initializer_list<QByteArray> lines);

// A program folder ("prog") with the installed files, inside a folder with a file of its own to
// show anything that reaches past it; empty settings, and the card store as a fresh start finds it.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    QString folder() const { return outer_.path() + QStringLiteral("/prog"); }
    QString path(const QString& name) const { return QDir(folder()).filePath(name); }
    QByteArray read(const QString& name) const;  // "<none>" when it cannot
    void write(const QString& name, const QByteArray& bytes) const;
    bool exists(const QString& name) const;
    // Every entry below the program folder, or beside it, with its bytes or its kind.
    QMap<QString, QByteArray> inside() const;
    QMap<QString, QByteArray> outside() const;

private:
    QTemporaryDir outer_;
};
void resetCardStore();

// "Location@statement: description" for a whole error report.
QString shortReport(const QString& report);

// Records every box as "kind(title): text [default]", reports in short; answers from a script.
class ScriptedDialogs final : public look::Dialogs {
public:
    ScriptedDialogs() { look::setDialogs(this); }
    ~ScriptedDialogs() override { look::setDialogs(nullptr); }
    ScriptedDialogs& answer(const QString& text) { return answers_.enqueue(text), *this; }
    ScriptedDialogs& reply(bool yes) { return replies_.enqueue(yes), *this; }
    void error(const QString& title, const QString& text) override;
    QString prompt(const QString& text, const QString& title, const QString& defaultText) override;
    bool question(const QString& text, const QString& title) override;
    void notice(const QString& text, const QString& title) override;
    QString chooseFile(const QString& title, const QString& suggested, bool save) override;
    QStringList reports() const;
    bool scriptUsed() const { return answers_.isEmpty() && replies_.isEmpty(); }
    QStringList shown;

private:
    QQueue<QString> answers_;
    QQueue<bool> replies_;
};

// Runs `body` in a forked child and gives the lines it said, then "report: " and its reports;
// with `killAfterUs`, kills it that long after it said "ready".
QStringList inChild(const std::function<void()>& body, int killAfterUs = -1);
void say(const QByteArray& line);

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << qPrintable(text) << '"';
}
