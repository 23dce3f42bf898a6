#include "Settings.h"

#include "Failure.h"

#include <QDir>
#include <QSettings>
#include <QStringList>

namespace {

const QString kSection = QStringLiteral("Quorvane/");

QSettings::Status store(const QString& key, const QString& text) {
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    settings.setValue(kSection + key, text);
    settings.sync();
    return settings.status();
}

}  // namespace

QString SettingsFilePath() {
    QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.config");
    return home + QStringLiteral("/Tindrel.ini");
}

QString ReadSetting(const QString& key, const QString& defaultText) {
    const QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    const QVariant value = settings.value(kSection + key);
    if (!value.isValid()) return defaultText;
    // A hand-edited value with commas in it reads back as a list.
    if (value.userType() == QMetaType::QStringList) return value.toStringList().join(", ");
    return value.toString();
}

void WriteSetting(const QString& key, const QString& text) {
    QSettings::Status status = store(key, text);
    // A line of the file that is no setting gives FormatError although the value was stored
    // (and the line dropped); storing once more, in the clean file, tells whether it worked.
    if (status == QSettings::FormatError) status = store(key, text);
    if (status == QSettings::AccessError) throw look::Failure(look::failures::PermissionDenied);
    if (status == QSettings::FormatError) throw look::Failure(look::failures::PathFileAccessError);
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
