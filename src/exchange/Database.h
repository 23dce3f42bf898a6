#pragma once

#include <QByteArrayView>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace exchange {

// A SQLite database from a stranger: opened read-only, in SQLite's defensive mode, with the
// schema untrusted, views and extension loading off. Every failure throws Unreadable, saying
// that `what` ("its collection") is not a database that can be read.
class Database {
public:
    explicit Database(const QString& path, const QString& what = QStringLiteral("its collection"));
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* handle() const { return db_; }
    [[noreturn]] void fail() const;

private:
    sqlite3* db_ = nullptr;
    QString what_;
};

// One query, stepped row by row.
class Query {
public:
    Query(const Database& db, const char* sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    bool next();
    qint64 integer(int column) const;
    QByteArrayView bytes(int column) const;  // valid until the next step
    QString text(int column) const { return QString::fromUtf8(bytes(column)); }

private:
    const Database& db_;
    sqlite3_stmt* statement_ = nullptr;
};

// True when `bytes` begin as a SQLite database does.
bool IsDatabase(QByteArrayView bytes);

}  // namespace exchange
