#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>
#include <ostream>

// A program folder inside an outer folder that holds a file of its own (x.dat), so that a test
// sees whether anything reached past the program folder. The program folder holds the installed
// files, sets.dat and in-use.dat made from them; the card-store globals point into it and the
// settings file is emptied.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();

    QString folder() const { return outer_.path() + QStringLiteral("/prog"); }
    QString outer() const { return outer_.path(); }
    QString path(const QString& name) const { return folder() + QLatin1Char('/') + name; }
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;

    // Every entry below the program folder (a folder, pipe or link by its kind) and its bytes.
    QMap<QString, QByteArray> snapshot() const { return snapshotOf(folder()); }
    // The same for the outer folder, the program folder left out.
    QMap<QString, QByteArray> outside() const;
    static QMap<QString, QByteArray> snapshotOf(const QString& folder);

    // Lets another user read and enter the folders (the test then drops to that user).
    void openToOthers() const;

private:
    QTemporaryDir outer_;
};

// The bytes of `lines`, each followed by CR LF.
QByteArray crlfLines(const QList<QByteArray>& lines);
// The lines of `bytes` split at CR LF, LF or a lone CR, as bytes.
QList<QByteArray> byteLines(const QByteArray& bytes);

// Texts in test failures read as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toUtf8().constData() << '"';
}
