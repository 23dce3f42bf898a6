#include "Database.h"

#include "Import.h"

#include <sqlite3.h>
#include <QUrl>

namespace exchange {
namespace {

// Anki declares its name columns with this collation: letters compare without their case.
int unicase(void*, int size1, const void* text1, int size2, const void* text2) {
    return QString::fromUtf8(static_cast<const char*>(text1), size1)
        .compare(QString::fromUtf8(static_cast<const char*>(text2), size2), Qt::CaseInsensitive);
}

}  // namespace

Database::Database(const QString& path, const QString& what) : what_(what) {
    // Immutable: the private copy never changes, so SQLite takes no locks and makes no journal.
    const QByteArray uri =
        QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toUtf8() + "?immutable=1";
    const int opened =
        sqlite3_open_v2(uri.constData(), &db_,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (opened != SQLITE_OK) fail();
    int unused = 0;
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, &unused);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &unused);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, &unused);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_VIEW, 0, &unused);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, &unused);
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, 1 << 28);
    if (sqlite3_exec(db_, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_collation_v2(db_, "unicase", SQLITE_UTF8, nullptr, unicase, nullptr) !=
            SQLITE_OK)
        fail();
}

Database::~Database() { sqlite3_close_v2(db_); }

void Database::fail() const {
    throw Unreadable{
        QStringLiteral("%1 is not a database that can be read (%2)")
            .arg(what_, QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "out of memory"))};
}

Query::Query(const Database& db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &statement_, nullptr) != SQLITE_OK) db.fail();
}

Query::~Query() { sqlite3_finalize(statement_); }

bool Query::next() {
    const int stepped = sqlite3_step(statement_);
    if (stepped == SQLITE_ROW) return true;
    if (stepped != SQLITE_DONE) db_.fail();
    return false;
}

qint64 Query::integer(int column) const { return sqlite3_column_int64(statement_, column); }

QByteArrayView Query::bytes(int column) const {
    // Text as UTF-8 whatever the database's own encoding; a blob as it is.
    const auto* data = sqlite3_column_type(statement_, column) == SQLITE_BLOB
                           ? static_cast<const char*>(sqlite3_column_blob(statement_, column))
                           : reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return QByteArrayView(data, sqlite3_column_bytes(statement_, column));
}

bool IsDatabase(QByteArrayView bytes) {
    return bytes.startsWith(QByteArrayView("SQLite format 3\0", 16));
}

}  // namespace exchange
