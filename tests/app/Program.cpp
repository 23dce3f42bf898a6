#include "Program.h"

#include "Codec.h"

#include <QAction>
#include <QMimeData>
#include <QRadioButton>

void Program::act(const QString& step) {
    QStringList parts = step.split('/');
    const QString verb = parts[0].section(' ', 0, 0).remove('!');
    const bool byReturn = parts[0].contains('!');
    const int k = parts[0].section(' ', 1).toInt();
    const bool file = verb == "import" || verb == "export" || verb == "drop";
    // Lists come and go beside the card folder, which an export never writes.
    if (file && !parts[1].isEmpty()) parts[1] = box.path("../lists/" + parts[1]);
    const QString taken = verb == "drop" || verb == "press" ? parts.takeAt(1) : "";
    for (const QString& s : parts.mid(1))
        s == "yes" || s == "no" ? d.reply(s == "yes") : d.answer(s);
    if (verb == "drop") return drop(k == 1 ? "ListView1" : "ListView2", taken);
    if (file)
        return choose("ListView2", k, true),
               list("ListView2")->actions()[verb == "export"]->trigger();
    if (verb == "restart") return start(), edit();
    if (verb == "open")  // once the editor closed before has gone
        return QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete), edit();
    if (verb == "pick") choose("ListView2", k);
    if (verb == "pick" && k < 1)  // beside the entries, right of the column
        QTest::mouseClick(list("ListView2")->viewport(), Qt::LeftButton, {},
                          {list("ListView2")->viewport()->width() - 3, 3});
    if (verb == "pick") return;
    if (verb == "edit" || verb == "delete") choose("ListView1", k);
    if (verb == "remove" || verb == "press") choose("ListView2", k, true);
    if (verb == "press") return QTest::keyClick(list("ListView2"), QKeySequence(taken)[0].key());
    static const QMap<QString, const char*> buttons = {
        {"add", "PushButton1"},     {"edit", "PushButton2"}, {"delete", "PushButton3"},
        {"restore", "PushButton4"}, {"back", "PushButton5"}, {"create", "PushButton6"},
        {"remove", "PushButton7"}};
    click(buttons.value(verb), byReturn);
}

void Program::drop(const char* name, const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter({5, 5}, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list(name)->viewport(), &enter);
    QDropEvent drop({5, 5}, Qt::CopyAction, &mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list(name)->viewport(), &drop);
    QCoreApplication::processEvents();  // the import runs once the drop is over
}

QString Program::look(const QString& expected) const {
    QStringList got;
    for (const QString& item : expected.split("; ")) {
        const QString key = item.section('=', 0, 0);
        QString value;
        if (key == "cards" || key == "sets")
            value = entries(key == "cards" ? "ListView1" : "ListView2");
        else if (key == "marked" || key == "set")
            value = QString::number(highlighted(key == "set" ? "ListView2" : "ListView1"));
        else if (key == "stored")
            value = stored();
        else if (key == "new")
            value = QString::number(editor->NewSetSelected);
        else if (key == "reports")
            value = d.reports().join(',');
        else if (key == "shown")
            value = d.shown.join(" + ");
        else if (key == "option5")
            value = main->OptionButton[5]->text();
        else if (key == "named")  // the lists' names for screen readers
            value = list("ListView2")->accessibleName() + "," + list("ListView1")->accessibleName();
        else if (key == "files" || key == "copy") {  // copy: the files the working copy equals
            for (auto [name, bytes] : box.inside().asKeyValueRange())
                if (key == "files" || (name != "in-use.dat" && bytes == box.read("in-use.dat")))
                    value += (value.isEmpty() ? "" : ",") + name;
        } else {
            const QString file = key.endsWith(".dat") ? key : "../lists/" + key;
            value = box.exists(file) ? codec::splitLines(codec::decode(box.read(file))).join(',')
                                     : QStringLiteral("<none>");
        }
        got << key + "=" + value;
    }
    return got.join("; ");
}
