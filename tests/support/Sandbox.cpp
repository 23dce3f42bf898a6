// The sandbox, apart from the test framework: the fuzz targets share it.
#include "CurrentSet.h"
#include "Files.h"
#include "Harness.h"

#include <QDirIterator>
#include <QStorageInfo>

QByteArray crlf(std::initializer_list<QByteArray> lines) {
    QByteArray bytes;
    for (const QByteArray& line : lines) bytes += line + "\r\n";
    return bytes;
}

namespace {

QMap<QString, QByteArray> entries(const QString& folder, const QStringList& skip = {}) {
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(folder).relativeFilePath(info.filePath());
        QFile f(info.filePath());
        if (!skip.contains(name.section('/', 0, 0)))
            out[name] = info.isSymLink()              ? "<link>"
                        : info.isDir()                ? "<folder>"
                        : !info.isFile()              ? "<special>"
                        : f.open(QIODevice::ReadOnly) ? f.readAll()
                                                      : "<unreadable>";
    }
    return out;
}

}  // namespace

// Every rewrite syncs its file: a folder in memory keeps hundreds of them fast.
Sandbox::Sandbox()
    : outer_((QStorageInfo("/dev/shm").bytesAvailable() > (256 << 20) ? "/dev/shm"
                                                                      : QDir::tempPath()) +
             QStringLiteral("/quorvane-XXXXXX")) {
    QDir(outer_.path()).mkdir(QStringLiteral("prog"));
    QDir(outer_.path()).mkdir(QStringLiteral("config"));
    QDir(outer_.path()).mkdir(QStringLiteral("lists"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(outer_.path() + QStringLiteral("/config")));
    write(QStringLiteral("../x.dat"), "outside\r\n");
    for (const char* name : {"default-sets.dat", "default.dat"})
        QFile::copy(QStringLiteral(QUORVANE_RESOURCES "/") + name, path(name));
    Main::SetProgramFolder(folder());
    resetCardStore();
}

void resetCardStore() {
    Deckwork::SelectedSet = Deckwork::CardCount = 0;
    Deckwork::SetLines = {};
    Deckwork::CardLines = {};
    Deckwork::Side1Topic = Deckwork::Side2Topic = {};
    Deckwork::InUsePath = Main::ProgramFile(QStringLiteral("in-use.dat"));
    Deckwork::SetFilePath = Main::InstalledFile(QStringLiteral("default.dat"));
}

Sandbox::~Sandbox() {
    // Whatever a test made unwritable must not keep the folder from going.
    QDirIterator it(outer_.path(), QDir::AllEntries | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    for (QString e = outer_.path(); !e.isEmpty(); e = it.hasNext() ? it.next() : QString())
        if (!QFileInfo(e).isSymLink()) QFile::setPermissions(e, QFileDevice::Permissions(0x7700));
}

QByteArray Sandbox::read(const QString& name) const {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

void Sandbox::write(const QString& name, const QByteArray& bytes) const {
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(f.fileName()));
}

bool Sandbox::exists(const QString& name) const { return QFileInfo::exists(path(name)); }

QMap<QString, QByteArray> Sandbox::inside() const { return entries(folder()); }

QMap<QString, QByteArray> Sandbox::outside() const {
    return entries(outer_.path(), {"prog", "config", "lists"});
}
