#pragma once

#include "StudyOptions.h"

// The options of a benchmark run: the installed set in order, at the size the targets name.
struct BenchOptions final : StudyOptions {
    bool questionFirst = false;
    bool Option1() const override { return questionFirst; }
    bool Option2() const override { return !questionFirst; }
    bool Option3() const override { return false; }
    bool Option5() const override { return true; }
    bool Option6() const override { return false; }
    QString Combo1Text() const override { return QStringLiteral("144"); }
    QString Combo2Text() const override { return QStringLiteral("Liberation Sans"); }
};
