#include "Sandbox.h"

#include "CurrentSet.h"
#include "Files.h"
#include "Settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

// Every rewrite syncs its file to disk; in a memory-backed folder hundreds of them stay fast,
// and what a killed or starved process leaves behind is the same there.
QString baseFolder() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const bool roomy = QStorageInfo(shm.filePath()).bytesAvailable() > (256 << 20);
    return shm.isDir() && shm.isWritable() && roomy ? shm.filePath() : QDir::tempPath();
}

}  // namespace

Sandbox::Sandbox() : outer_(baseFolder() + QStringLiteral("/quorvane-XXXXXX")) {
    QDir(outer_.path()).mkdir(QStringLiteral("prog"));
    write(QStringLiteral("../x.dat"), "outside the program folder\r\n");
    for (const char* name : {"default-sets.dat", "default.dat"})
        QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/") + name, path(name));
    write(QStringLiteral("sets.dat"), read(QStringLiteral("default-sets.dat")));
    write(QStringLiteral("in-use.dat"), read(QStringLiteral("default.dat")));
    QFile::remove(SettingsFilePath());
    Main::SetProgramFolder(folder());
    Deckwork::InUsePath = path(QStringLiteral("in-use.dat"));
    Deckwork::SetFilePath = path(QStringLiteral("default.dat"));
    Deckwork::SelectedSet = 1;
    Deckwork::SetLines.clear();
    Deckwork::Side1Topic.clear();
    Deckwork::Side2Topic.clear();
    Deckwork::CardLines.clear();
    Deckwork::CardCount = 0;
}

Sandbox::~Sandbox() {
    // Whatever a test made unwritable or unreadable must not keep the folder from going.
    QDirIterator it(outer_.path(),
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        if (!QFileInfo(entry).isSymLink())
            QFile::setPermissions(entry, QFile::permissions(entry) | QFileDevice::WriteOwner |
                                             QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    QFile::remove(SettingsFilePath());
}

QByteArray Sandbox::read(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Sandbox::write(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QMap<QString, QByteArray> Sandbox::outside() const {
    QMap<QString, QByteArray> entries = snapshotOf(outer());
    for (auto it = entries.begin(); it != entries.end();)
        it = it.key() == QLatin1String("prog") || it.key().startsWith(QLatin1String("prog/"))
                 ? entries.erase(it)
                 : std::next(it);
    return entries;
}

QMap<QString, QByteArray> Sandbox::snapshotOf(const QString& folder) {
    QMap<QString, QByteArray> entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        const QFileInfo info(entry);
        const QString name = QDir(folder).relativeFilePath(entry);
        if (info.isSymLink()) {
            entries[name] = "<link to " + info.symLinkTarget().toUtf8() + ">";
        } else if (info.isDir()) {
            entries[name] = "<folder>";
        } else if (!info.isFile()) {
            entries[name] = "<special>";
        } else {
            QFile f(entry);
            entries[name] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
    }
    return entries;
}

void Sandbox::openToOthers() const {
    const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                      QFileDevice::ExeOther;
    QFile::setPermissions(outer(), open);
    QFile::setPermissions(folder(), open);
}

QByteArray crlfLines(const QList<QByteArray>& lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines) bytes += line + "\r\n";
    return bytes;
}

QList<QByteArray> byteLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.append(bytes.mid(start));
    return lines;
}
