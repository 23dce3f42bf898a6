#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

RecordingDialogs& dialogs() {
    static RecordingDialogs* d = [] {
        auto* r = new RecordingDialogs;
        look::setDialogs(r);
        return r;
    }();
    d->errors.clear();
    return *d;
}

QString sandbox() {
    // Plain storage: the clean-up at exit runs after the program's statics are gone.
    static char path[4096];
    if (!path[0]) {
        const QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/quorvane-fuzz-XXXXXX";
        if (size_t(tmpl.size()) >= sizeof path) fail("temporary folder name too long");
        memcpy(path, tmpl.constData(), size_t(tmpl.size()) + 1);
        if (!mkdtemp(path)) fail("mkdtemp");
        QDir(QString::fromLocal8Bit(path)).mkdir("prog");
        std::atexit([] { QDir(QString::fromLocal8Bit(path)).removeRecursively(); });
    }
    return QString::fromLocal8Bit(path);
}

QString programFolder() { return sandbox() + QStringLiteral("/prog"); }

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail("cannot set up a file", path.toUtf8());
}

QStringList listFolder(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QList<QPair<QString, QByteArray>> snapshot(const QString& folder) {
    QList<QPair<QString, QByteArray>> files;
    for (const QString& name : listFolder(folder))
        files.append({name, readBytes(folder + QLatin1Char('/') + name)});
    return files;
}

bool isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned c = *p++;
        if (c < 0x80) continue;
        int more;
        unsigned cp, min;
        if ((c & 0xE0) == 0xC0)
            more = 1, cp = c & 0x1F, min = 0x80;
        else if ((c & 0xF0) == 0xE0)
            more = 2, cp = c & 0x0F, min = 0x800;
        else if ((c & 0xF8) == 0xF0)
            more = 3, cp = c & 0x07, min = 0x10000;
        else
            return false;
        if (end - p < more) return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        p += more;
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    }
    return true;
}

QByteArray withoutBom(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF") && isValidUtf8(bytes)) return bytes.mid(3);
    return bytes;
}

QList<QByteArray> rawLines(const QByteArray& bytes) {
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

void fail(const char* what, const QByteArray& detail) {
    fprintf(stderr, "invariant broken: %s\n%s\n", what, detail.toHex(' ').constData());
    abort();
}

QByteArray Input::bytes(size_t n) {
    if (n > size_) n = size_;
    QByteArray b(reinterpret_cast<const char*>(data_), qsizetype(n));
    data_ += n;
    size_ -= n;
    return b;
}

}  // namespace fuzz
