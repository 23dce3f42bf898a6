#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder for one test, holding the installed card files, with the settings
// file emptied and the card-store globals reset.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();

    QString path(const QString& name) const;
    QString folder() const { return dir_.path(); }
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    bool exists(const QString& name) const;

private:
    QTemporaryDir dir_;
};

// Empties the card-store globals, as a fresh start of the program finds them.
void resetCardStore();

// The bytes of `lines`, each followed by CR LF.
QByteArray crlf(std::initializer_list<const char*> lines);
