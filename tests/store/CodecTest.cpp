#include "Codec.h"

#include <gtest/gtest.h>

TEST(Codec, SplitsEveryKindOfLineEnd) {
    struct Case {
        const char* text;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"H\r\na|b\r\nc|d\r\n", {"H", "a|b", "c|d"}},
        {"H\r\na|b\r\nc|d", {"H", "a|b", "c|d"}},
        {"H\na|b\n", {"H", "a|b"}},
        {"H\ra|b\r", {"H", "a|b"}},
        {"H\r\n\r\nc|d\r\n", {"H", "", "c|d"}},
        {"H\r\r\nx", {"H", "", "x"}},
        {"\r\n", {""}},
        {"a\n\rb", {"a", "", "b"}},
    };
    for (const Case& c : cases) EXPECT_EQ(codec::splitLines(c.text), c.lines) << c.text;
}

TEST(Codec, JoinsWithCrLfAfterEveryLine) {
    EXPECT_EQ(codec::joinLines({"H", "a|b"}), "H\r\na|b\r\n");
    EXPECT_EQ(codec::joinLines({}), "");
    EXPECT_EQ(codec::joinLines({""}), "\r\n");
}

TEST(Codec, ReadsUtf8OrWindows1252) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"Espa\xF1ol \x80", QString::fromUtf8("Español €")},
        {"\xC3\xA9t\xC3\xA9", QString::fromUtf8("été")},
        {"\xEF\xBB\xBF\xCE\xB1\xCE\xB2", QString::fromUtf8("αβ")},
        {"\xE6\x97\xA5\xE6\x9C\xAC", QString::fromUtf8("日本")},
        {"\xC3\xA9 \xE9", QString::fromUtf8("Ã© é")},  // invalid UTF-8: the whole file is 8-bit
    };
    for (const Case& c : cases) EXPECT_EQ(codec::decode(c.bytes), c.text) << c.bytes.toHex().data();
}

TEST(Codec, WritesWindows1252WhenItFitsElseUtf8) {
    EXPECT_EQ(codec::encode(QString::fromUtf8("Español €")), QByteArray("Espa\xF1ol \x80"));
    EXPECT_EQ(codec::encode(QString::fromUtf8("Привет")), QString::fromUtf8("Привет").toUtf8());
    // These characters fit in Windows-1252, but those bytes would read back as "é".
    EXPECT_EQ(codec::encode(QString::fromUtf8("Ã©")), QString::fromUtf8("Ã©").toUtf8());
}

TEST(Codec, EveryByteSequenceSurvivesAReadAndARewrite) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    all.append("\xC3\xA9");
    const QString text = codec::decode(all);
    EXPECT_EQ(codec::encode(text), all);
    for (const QString& s : {QString::fromUtf8("日本 é"), QString::fromUtf8("Ã©"), text})
        EXPECT_EQ(codec::decode(codec::encode(s)), s);
}
