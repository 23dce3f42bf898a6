#include "Failure.h"
#include "ProgramFolder.h"
#include "Settings.h"

#include <gtest/gtest.h>

#include <QFile>

TEST(Settings, MissingKeysGiveTheDefaultAndCreateNothing) {
    ProgramFolder folder;
    EXPECT_EQ(ReadSetting("Combo1", "144"), "144");
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));
}

TEST(Settings, WrittenTextsReadBackInTheQuorvaneSection) {
    ProgramFolder folder;
    WriteSetting("Option3", "False");
    WriteSetting("Combo2", "DejaVu Sans, Bold");
    WriteSetting("SelectedSet", "-5");
    EXPECT_EQ(ReadSetting("Option3", "1"), "False");
    EXPECT_EQ(ReadSetting("Combo2", "Arial"), "DejaVu Sans, Bold");
    EXPECT_EQ(ReadSetting("SelectedSet", "1"), "-5");
    EXPECT_TRUE(SettingsFilePath().endsWith("/Tindrel.ini"));
    QFile file(SettingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray ini = file.readAll();
    EXPECT_TRUE(ini.contains("[Quorvane]")) << ini.data();
    EXPECT_TRUE(ini.contains("Option3=False")) << ini.data();
}

TEST(Settings, TruthValues) {
    struct Case {
        const char* text;
        bool value;
    };
    for (const Case& c : {Case{"True", true}, Case{"False", false}, Case{"1", true},
                          Case{"0", false}, Case{"-1", true}, Case{"2.5", true}})
        EXPECT_EQ(SettingToBool(c.text), c.value) << c.text;
    for (const char* bad : {"", "yes", "Tru", "1x"})
        EXPECT_THROW(SettingToBool(bad), look::Failure) << bad;
    EXPECT_EQ(BoolToSetting(true), "True");
    EXPECT_EQ(BoolToSetting(false), "False");
}
