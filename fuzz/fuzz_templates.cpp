// The card template and cloze rules on arbitrary text: a field at most once, the fields of the
// question never again on the answer, and a cloze card hides only what its number names.
#include "AnkiText.h"
#include "FuzzSupport.h"

using namespace exchange::anki;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(bytes);
    const QStringList names = {"Front", "Back", "Extra"};
    const QVector<Shown> question = TemplateFields(text, names, false);
    const QVector<Shown> answer = TemplateFields(text, names, true);
    FUZZ_CHECK(question.size() <= answer.size(), bytes);
    for (const QVector<bool>& filled : {QVector<bool>{true, true, true}, {false, true, false}}) {
        const QVector<int> front = FieldsShown(question, filled);
        const QVector<int> back = FieldsShown(answer, filled, front);
        for (int f : back) FUZZ_CHECK(!front.contains(f) && back.count(f) == 1, bytes);
        for (int f : front) FUZZ_CHECK(f >= 0 && f < 3 && front.count(f) == 1, bytes);
    }
    const ClozeSides first = Cloze(text, 1), second = Cloze(text, 2);
    // Side 2 shows every cloze, whichever card it is; a card whose cloze is not there hides none.
    FUZZ_CHECK(first.side2 == second.side2, bytes);
    FUZZ_CHECK(first.found || first.side1 == first.side2, bytes);
    FUZZ_CHECK(Cloze(first.side2, 1).side1 == first.side2 || first.side2.contains("{{c"), bytes);
    IsImageOcclusion(text);
    return 0;
}
