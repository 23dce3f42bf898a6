#pragma once

#include "CardSurface.h"
#include "StudyOptions.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Study options as a test sets them.
struct FakeOptions final : StudyOptions {
    bool questionFirst = true;  // Option1, else Option2
    bool random = false;        // Option3
    bool side1First = true;     // Option5, else Option6
    QString size = QStringLiteral("28");
    QString font = QStringLiteral("Liberation Sans");

    bool Option1() const override { return questionFirst; }
    bool Option2() const override { return !questionFirst; }
    bool Option3() const override { return random; }
    bool Option5() const override { return side1First; }
    bool Option6() const override { return !side1First; }
    QString Combo1Text() const override { return size; }
    QString Combo2Text() const override { return font; }
};

// A surface of known size and text measures that keeps what is drawn on it.
class FakeSurface final : public CardSurface {
public:
    struct Drawn {
        float x, y;
        QString text;
    };

    float surfaceWidth = 1920, surfaceHeight = 1080;
    float lineHeight = 40;
    float charWidth = 10;
    QHash<QString, float> widths;  // measures that differ from charWidth per character

    void clear() override {
        onCard.clear();
        ++clears;
    }
    float textWidth(const QString& text) const override {
        return widths.value(text, charWidth * float(text.size()));
    }
    float textHeight(const QString&) const override { return lineHeight; }
    void drawText(float x, float y, const QString& text) override { onCard.append({x, y, text}); }
    float width() const override { return surfaceWidth; }
    float height() const override { return surfaceHeight; }

    // The texts on the card, "/" between them: "Q1/A1", or "" for a blank card.
    QString card() const {
        QStringList texts;
        for (const Drawn& d : onCard)
            if (!d.text.isEmpty()) texts.append(d.text);
        return texts.join(QLatin1Char('/'));
    }

    QList<Drawn> onCard;
    int clears = 0;
};
