#include "Archive.h"

#include "Failure.h"
#include "Import.h"

#include <zip.h>
#include <zlib.h>
#include <QLocale>

namespace exchange {
namespace {

QString errorText(zip_error_t* error) { return QString::fromLocal8Bit(zip_error_strerror(error)); }

// A member that unpacks to more than this is refused; a small one may still be compressed
// well past the ratio (a few bytes of JSON).
qint64 unpackLimit(qint64 packed) {
    const qint64 byRatio = qMax<qint64>(packed * kMaxRatio, 1 << 20);
    return qMin(kMaxUnpacked, byRatio);
}

QString beyond(qint64 limit) {
    return limit == kMaxUnpacked ? QStringLiteral("1 GiB")
                                 : QStringLiteral("%1 times its packed size")
                                       .arg(QLocale(QLocale::English).toString(kMaxRatio));
}

}  // namespace

Archive::Archive(const QByteArray& bytes) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (source) zip_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (source && !zip_) zip_source_free(source);
    zip_error_fini(&error);
    if (!zip_) return;
    const zip_int64_t count = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        names_ << QString::fromUtf8(zip_get_name(zip_, zip_uint64_t(i), ZIP_FL_ENC_GUESS));
}

Archive::~Archive() {
    if (zip_) zip_discard(zip_);
}

void Archive::unpack(const QString& name, const std::function<void(const char*, qsizetype)>& take) {
    const zip_int64_t index =
        zip_ ? zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_ENC_GUESS) : -1;
    zip_stat_t st;
    if (index < 0 || zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0)
        throw Unreadable{QStringLiteral("it has no member \"%1\"").arg(name)};
    const qint64 limit = unpackLimit(qint64(st.comp_size));
    const auto tooLarge = [&] {
        return Unreadable{
            QStringLiteral("its member \"%1\" unpacks to more than %2").arg(name, beyond(limit))};
    };
    if (qint64(st.size) > limit) throw tooLarge();
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file)
        throw Unreadable{QStringLiteral("its member \"%1\" cannot be read: %2")
                             .arg(name, errorText(zip_get_error(zip_)))};
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    qint64 total = 0;
    try {
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()));
            if (n < 0)
                throw Unreadable{QStringLiteral("its member \"%1\" is damaged: %2")
                                     .arg(name, errorText(zip_file_get_error(file)))};
            if (n == 0) break;
            total += n;
            if (total > limit) throw tooLarge();
            take(buffer.constData(), qsizetype(n));
        }
    } catch (...) {
        zip_fclose(file);
        throw;
    }
    zip_fclose(file);
}

QByteArray Archive::read(const QString& name, qint64 limit) {
    QByteArray bytes;
    unpack(name, [&](const char* data, qsizetype size) {
        if (bytes.size() + size > limit)
            throw Unreadable{QStringLiteral("its member \"%1\" is too large").arg(name)};
        bytes.append(data, size);
    });
    return bytes;
}

QByteArray Gunzip(const QByteArray& bytes) {
    z_stream z{};
    // 16: a gzip header and trailer around the deflated data.
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) throw look::Failure(look::failures::OutOfMemory);
    const qint64 limit = unpackLimit(bytes.size());
    QByteArray out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = uInt(bytes.size());
    int status = Z_OK;
    while (status != Z_STREAM_END || z.avail_in > 0) {
        // Files joined one after the other unpack as one.
        if (status == Z_STREAM_END) inflateReset(&z);
        if (out.size() >= limit) {
            inflateEnd(&z);
            throw Unreadable{QStringLiteral("it unpacks to more than %1").arg(beyond(limit))};
        }
        const qsizetype before = out.size();
        out.resize(qMin<qint64>(limit + 1, before + (1 << 16)));
        z.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        z.avail_out = uInt(out.size() - before);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(out.size() - qsizetype(z.avail_out));
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&z);
            throw Unreadable{status == Z_BUF_ERROR ? QStringLiteral("its gzip stream breaks off")
                                                   : QStringLiteral("its gzip stream is damaged")};
        }
    }
    inflateEnd(&z);
    if (out.size() > limit)
        throw Unreadable{QStringLiteral("it unpacks to more than %1").arg(beyond(limit))};
    return out;
}

QByteArray WriteArchive(const QVector<std::pair<QString, QByteArray>>& members) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = target ? zip_open_from_source(target, ZIP_TRUNCATE, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (target) zip_source_free(target);
        throw look::Failure(look::failures::OutOfMemory);
    }
    zip_source_keep(target);  // the bytes are taken from it once the archive is closed
    bool ok = true;
    for (const auto& [name, bytes] : members) {
        zip_source_t* member =
            zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index =
            member ? zip_file_add(archive, name.toUtf8().constData(), member, ZIP_FL_ENC_UTF_8)
                   : -1;
        if (index < 0) {
            if (member) zip_source_free(member);
            ok = false;
            break;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 0);
        // Fixed times, so that the same set gives the same bytes.
        zip_file_set_mtime(archive, zip_uint64_t(index), 315532800, 0);
    }
    ok = ok && zip_close(archive) == 0;
    if (!ok) zip_discard(archive);
    QByteArray out;
    if (ok && zip_source_open(target) == 0) {
        zip_source_seek(target, 0, SEEK_END);
        out.resize(qsizetype(zip_source_tell(target)));
        zip_source_seek(target, 0, SEEK_SET);
        ok = zip_source_read(target, out.data(), zip_uint64_t(out.size())) ==
             zip_int64_t(out.size());
        zip_source_close(target);
    }
    zip_source_free(target);
    if (!ok || out.isEmpty()) throw look::Failure(look::failures::OutOfMemory);
    return out;
}

}  // namespace exchange
