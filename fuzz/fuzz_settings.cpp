// WriteSetting on a settings file of any bytes: the text reads back, other keys and lines stay as
// they were, and what QSettings wrote for earlier versions reads back as the text it was given.
#include "Codec.h"
#include "FuzzSupport.h"
#include "Settings.h"

#include <QSettings>

using namespace fuzz;

static const QStringList kKeys = {"Option1", "Option6", "Combo1", "Combo2", "SelectedSet"};

static QStringList readAll() {
    QStringList texts;
    for (const QString& key : kKeys) texts << ReadSetting(key, QStringLiteral("none"));
    return texts;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    box();  // which keeps the settings too
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    if (size < 2) return 0;
    const int k = uchar(input[0]) % kKeys.size();
    const QString text = codec::decode(input.mid(2, uchar(input[1]) % 64));
    const QByteArray file = input.mid(2 + uchar(input[1]) % 64);
    box().write(SettingsFilePath(), file);
    QStringList want = readAll();
    WriteSetting(kKeys[k], text);
    want[k] = text;
    FUZZ_CHECK(readAll() == want, file);
    // One line replaced, or the key's and perhaps a group line added, unless 8-bit became UTF-8.
    const QByteArray after = box().read(SettingsFilePath());
    QList<QByteArray> added = rawLines(after);
    int gone = 0;
    for (const QByteArray& line : rawLines(file)) gone += !added.removeOne(line);
    FUZZ_CHECK((!isValidUtf8(file) && isValidUtf8(after)) || (gone < 2 && added.size() < 3), file);

    // QSettings wrote a text with a NUL in a form of its own; no font or number holds one.
    if (text.contains(QChar(0))) return 0;
    static int run = 0;  // a new file each time: QSettings keeps the files it has read
    const QString earlier = box().path(QStringLiteral("../earlier%1.ini").arg(run++));
    QSettings(earlier, QSettings::IniFormat).setValue(QStringLiteral("Quorvane/") + kKeys[k], text);
    box().write(SettingsFilePath(), box().read(earlier));
    FUZZ_CHECK(QFile::remove(earlier) && ReadSetting(kKeys[k], {}) == text, file);
    return 0;
}
