#include "Settings.h"

#include "Codec.h"
#include "Failure.h"
#include "Files.h"
#include "Lock.h"

#include <QDir>
#include <QFileInfo>

// The file is an INI file as QSettings wrote it for earlier versions, read and edited here line
// by line. QSettings gives values that start with "@" meanings of their own (a hand-written
// "@Rect(1 2 3 4)" reads as an empty text), splits values at commas, and after a broken group
// line can miss the [Quorvane] group until a write has parsed the whole file. Storing a key
// rewrites that key's line alone; every other line, and every other group, stays as it is.

namespace {

const QString kGroup = QStringLiteral("Quorvane");

// Where a key stands in the text of the file.
struct Place {
    qsizetype line = -1, value = -1, end = -1;  // the key's last line in the group, its value
    qsizetype groupEnd = -1;  // the end of the last line with text in the last Quorvane group
};

Place find(const QString& file, const QString& key) {
    Place at;
    bool inGroup = false;
    for (qsizetype start = 0, end; start < file.size(); start = end + 1) {
        end = start;
        while (end < file.size() && file[end] != QLatin1Char('\r') &&
               file[end] != QLatin1Char('\n'))
            ++end;
        const QStringView line = QStringView(file).sliced(start, end - start).trimmed();
        if (line.isEmpty()) continue;
        const qsizetype close = line.indexOf(QLatin1Char(']'));
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line.sliced(1, (close < 0 ? line.size() : close) - 1).trimmed() == kGroup;
        } else if (inGroup && equals >= 0 && !line.startsWith(QLatin1Char(';')) &&
                   line.first(equals).trimmed() == key) {
            at = {start, file.indexOf(QLatin1Char('='), start) + 1, end, at.groupEnd};
        }
        if (inGroup) at.groupEnd = end;
    }
    return at;
}

int digit(QChar c, int base) {
    const char16_t u = c.unicode(), lower = u | 0x20;
    const int d = u >= '0' && u <= '9'           ? u - '0'
                  : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10
                                                 : 99;
    return d < base ? d : -1;
}

// The text a value holds, read as earlier versions wrote it: quotes group, a backslash starts a
// C escape, an unquoted ";" starts a comment, and spaces around the value are dropped. Commas
// and a leading "@" are plain text; only "@@" stands for the "@" that every writer doubles.
QString valueText(QStringView raw) {
    static const QString named = QStringLiteral("a\ab\bf\fn\nr\rt\tv\v\"\"?\?''\\\\");
    QString text;
    bool quoted = false;
    qsizetype kept = 0;  // what lies beyond is padding
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char('\\')) {
            if (++i == raw.size()) break;
            const int base = raw[i] == QLatin1Char('x') ? 16 : digit(raw[i], 8) >= 0 ? 8 : 0;
            const qsizetype k = named.indexOf(raw[i]);
            if (base == 8) --i;  // the escape's first digit
            char16_t value = 0;
            bool digits = false;
            while (base && i + 1 < raw.size() && digit(raw[i + 1], base) >= 0)
                value = char16_t(value * base + digit(raw[++i], base)), digits = true;
            if (digits) text += QChar(value);
            if (!base && k % 2 == 0) text += named[k + 1];
            kept = text.size();
        } else if (!quoted && c == QLatin1Char(';')) {
            break;
        } else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (!text.isEmpty()) text += c;
        } else {
            text += c;
            kept = text.size();
        }
    }
    text.truncate(kept);
    return text.startsWith(QLatin1String("@@")) ? text.mid(1) : text;
}

// `text` as a value that valueText() and earlier versions read back as the same text: a leading
// "@" doubled, control characters and surrogates as \x escapes, and quotes where a ";", ",", "="
// or a space at either end would otherwise change the reading.
QString written(const QString& text) {
    QString value = text.startsWith(QLatin1Char('@')) ? QStringLiteral("@") : QString();
    bool escaped = false;  // a hex digit right after a \x escape would join it
    for (const QChar c : text) {
        const bool hex = c.unicode() < 0x20 || c.isSurrogate() || (escaped && digit(c, 16) >= 0);
        if (hex) value += QStringLiteral("\\x") + QString::number(c.unicode(), 16);
        if (!hex && (c == QLatin1Char('"') || c == QLatin1Char('\\'))) value += QLatin1Char('\\');
        if (!hex) value += c;
        escaped = hex;
    }
    const bool quote = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char(',')) ||
                       text.contains(QLatin1Char('=')) || text.startsWith(QLatin1Char(' ')) ||
                       text.endsWith(QLatin1Char(' '));
    return quote ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

void store(const QString& key, const QString& text) {
    const QString path = SettingsFilePath();
    QDir().mkpath(QFileInfo(path).path());
    // Read and written under a lock of its own: two copies never lose each other's keys.
    const Main::Lock lock(path);
    // A file that is there but cannot be read is never replaced by one setting alone.
    const QByteArray bytes = Main::FileExists(path) ? Main::ReadBytes(path) : QByteArray();
    const QString old = codec::decode(bytes);
    QString file = old;
    const QString line = key + QLatin1Char('=') + written(text);
    const Place at = find(file, key);
    if (at.line >= 0) {
        file.replace(at.line, at.end - at.line, line);
    } else if (at.groupEnd >= 0) {
        file.insert(at.groupEnd, QLatin1Char('\n') + line);
    } else {
        if (!file.isEmpty() && !file.endsWith(QLatin1Char('\n')) &&
            !file.endsWith(QLatin1Char('\r')))
            file += QLatin1Char('\n');
        file += QLatin1Char('[') + kGroup + QStringLiteral("]\n") + line + QLatin1Char('\n');
    }
    // Earlier versions wrote UTF-8, and other programs may keep groups here: a UTF-8 file stays
    // UTF-8 byte for byte, an 8-bit one is written the way the card files are.
    const QByteArray bom("\xEF\xBB\xBF");
    const bool hasBom = bytes.startsWith(bom);
    const bool utf8 = old.toUtf8() == bytes.mid(hasBom ? 3 : 0);
    Main::WriteBytes(path,
                     utf8 ? (hasBom ? bom : QByteArray()) + file.toUtf8() : codec::encode(file));
}

}  // namespace

QString SettingsFilePath() {
    QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.config");
    return home + QStringLiteral("/Tindrel.ini");
}

QString ReadSetting(const QString& key, const QString& defaultText) {
    QString file;
    try {
        file = codec::decode(Main::ReadBytes(SettingsFilePath()));
    } catch (const look::Failure&) {
        return defaultText;  // no file, or none that can be read: nothing is stored
    }
    const Place at = find(file, key);
    if (at.line < 0) return defaultText;
    return valueText(QStringView(file).sliced(at.value, at.end - at.value));
}

void WriteSetting(const QString& key, const QString& text) {
    try {
        store(key, text);
    } catch (const look::Failure&) {
        // Every refusal of the store reads alike, as it always has.
        throw look::Failure(look::failures::PermissionDenied);
    }
}

bool SettingToBool(const QString& text) {
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    bool isNumber = false;
    const double number = text.trimmed().toDouble(&isNumber);
    if (!isNumber) throw look::Failure(look::failures::TypeMismatch);
    return number != 0;
}

QString BoolToSetting(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
