#include "ProgramFolder.h"

#include "CurrentSet.h"
#include "Files.h"
#include "Settings.h"

#include <QFile>

ProgramFolder::ProgramFolder() {
    for (const char* name : {"default-sets.dat", "default.dat"})
        QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/") + name, path(name));
    QFile::remove(SettingsFilePath());
    Main::SetProgramFolder(dir_.path());
    Deckwork::InUsePath = path("in-use.dat");
    Deckwork::SetFilePath = path("default.dat");
    resetCardStore();
}

void resetCardStore() {
    Deckwork::SelectedSet = 0;
    Deckwork::SetLines.clear();
    Deckwork::Side1Topic.clear();
    Deckwork::Side2Topic.clear();
    Deckwork::CardLines.clear();
    Deckwork::CardCount = 0;
}

ProgramFolder::~ProgramFolder() { QFile::remove(SettingsFilePath()); }

QString ProgramFolder::path(const QString& name) const { return dir_.filePath(name); }

QByteArray ProgramFolder::read(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ProgramFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

bool ProgramFolder::exists(const QString& name) const { return QFile::exists(path(name)); }

QByteArray crlf(std::initializer_list<const char*> lines) {
    QByteArray bytes;
    for (const char* line : lines) bytes += QByteArray(line) + "\r\n";
    return bytes;
}
