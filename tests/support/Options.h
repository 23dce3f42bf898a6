#pragma once

#include "StudyOptions.h"

// Study options as a test sets them: question first, in order, Side 1 first, 28 point.
struct Options final : StudyOptions {
    bool questionFirst = true, random = false, side1First = true;
    QString size = QStringLiteral("28");
    bool Option1() const override { return questionFirst; }
    bool Option2() const override { return !questionFirst; }
    bool Option3() const override { return random; }
    bool Option5() const override { return side1First; }
    bool Option6() const override { return !side1First; }
    QString Combo1Text() const override { return size; }
    QString Combo2Text() const override { return QStringLiteral("Liberation Sans"); }
};
