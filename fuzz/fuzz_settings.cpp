// ReadSetting and WriteSetting on a settings file of arbitrary bytes: reading gives a text or
// the default, and storing one key leaves what the others read unchanged.
#include "Failure.h"
#include "FuzzSupport.h"
#include "Settings.h"

#include <QDir>
#include <new>

using namespace fuzz;

namespace {

const char* const kKeys[] = {"Option1", "Option2", "Combo1", "Combo2", "SelectedSet"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // A folder per input: the settings library keeps files it has read, by name and time stamp.
    static int run = 0;
    const QString home = sandbox() + QStringLiteral("/config%1").arg(run++ % 64);
    QDir(home).removeRecursively();
    QDir().mkpath(home);
    qputenv("XDG_CONFIG_HOME", home.toLocal8Bit());
    writeBytes(SettingsFilePath(), bytes);

    QStringList before;
    try {
        for (const char* key : kKeys) before << ReadSetting(key, QStringLiteral("default"));
        FUZZ_CHECK(ReadSetting(QStringLiteral("NoSuchKey"), QStringLiteral("d")) == "d", bytes);
    } catch (const std::bad_alloc&) {
        return 0;  // a value that claims more memory than there is; the caller's trap reports it
    }
    bool stored = true;
    try {
        WriteSetting(QStringLiteral("Option6"), QStringLiteral("True"));
    } catch (const look::Failure&) {
        stored = false;
    }
    if (!stored) {
        FUZZ_CHECK(readBytes(SettingsFilePath()) == bytes, bytes);
        return 0;
    }
    FUZZ_CHECK(ReadSetting(QStringLiteral("Option6"), {}) == QLatin1String("True"), bytes);
    QStringList after;
    for (const char* key : kKeys) after << ReadSetting(key, QStringLiteral("default"));
    FUZZ_CHECK(after == before, bytes);
    return 0;
}
