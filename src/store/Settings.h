#pragma once

#include <QString>

// The per-user settings: application Tindrel, section Quorvane, one text per key.

// The settings file: $XDG_CONFIG_HOME/Tindrel.ini (default ~/.config/Tindrel.ini).
QString SettingsFilePath();
// The stored text of `key`, or `defaultText` when there is none. Creates nothing.
QString ReadSetting(const QString& key, const QString& defaultText);
// Stores `text` under `key` at once. Throws look::Failure when the store refuses it.
void WriteSetting(const QString& key, const QString& text);

// Reads a stored truth value: "True", "False" or a number (non-zero is true).
// Throws look::Failure("Type mismatch") for anything else.
bool SettingToBool(const QString& text);
// "True" or "False".
QString BoolToSetting(bool value);
