#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <utility>

struct zip;

namespace exchange {

// A ZIP archive held in memory, read through libzip. Members are found by name and read into
// memory or handed on in pieces; nothing is ever written to disk under a member's name.
class Archive {
public:
    explicit Archive(const QByteArray& bytes);  // the bytes must outlive the archive
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool isZip() const { return zip_ != nullptr; }
    const QStringList& names() const { return names_; }
    bool contains(const QString& name) const { return names_.contains(name); }
    // Member `name` in pieces to `take`, as it unpacks. Throws Unreadable when it is missing,
    // damaged, or unpacks past the limits (kMaxUnpacked, kMaxRatio times its packed size).
    void unpack(const QString& name, const std::function<void(const char*, qsizetype)>& take);
    // Member `name` whole, for the small ones; at most `limit` bytes.
    QByteArray read(const QString& name, qint64 limit);

private:
    struct zip* zip_ = nullptr;
    QStringList names_;
};

// The bytes a gzip stream unpacks to. Throws Unreadable when it is damaged, breaks off, or
// unpacks past the limits of an archive's member.
QByteArray Gunzip(const QByteArray& bytes);

// A new ZIP archive of `members` (name, bytes), deflated, in this order.
QByteArray WriteArchive(const QVector<std::pair<QString, QByteArray>>& members);

}  // namespace exchange
