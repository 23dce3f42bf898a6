#include "QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace look {
namespace {

// The texts carry CR LF and bare CR line breaks; a label breaks lines only at LF.
QString shown(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void box(QMessageBox::Icon icon, const QString& title, const QString& text) {
    QMessageBox box(icon, title, shown(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void QtDialogs::error(const QString& title, const QString& text) {
    box(QMessageBox::Warning, title, text);
}

void QtDialogs::notice(const QString& text, const QString& title) {
    box(QMessageBox::Information, title, text);
}

QString QtDialogs::prompt(const QString& text, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), title, shown(text),
                                                 QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

bool QtDialogs::question(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, shown(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::chooseFile(const QString& title, const QString& suggested, bool save) {
    static const QString read = QStringLiteral(
        "Cards (*.csv *.tsv *.txt *.apkg *.colpkg *.cards *.db *.kvtml *.kvtml.gz);;CSV (*.csv);;"
        "Tab-separated (*.tsv *.txt);;Anki packages (*.apkg *.colpkg);;"
        "Mnemosyne (*.cards *.db);;KVTML (*.kvtml *.kvtml.gz);;All files (*)");
    static const QString written = QStringLiteral(
        "CSV (*.csv);;Tab-separated (*.tsv *.txt);;Anki package (*.apkg);;KVTML (*.kvtml);;"
        "All files (*)");
    QFileDialog dialog(QApplication::activeWindow(), title, QDir::homePath(),
                       save ? written : read);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A name typed without an extension is written as CSV, or as the kind of file chosen.
    if (save) dialog.setDefaultSuffix(QStringLiteral("csv"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        QString suffix = filter.section(QLatin1String("*."), 1, 1);
        const qsizetype end = suffix.indexOf(QRegularExpression(QStringLiteral("[^a-z]")));
        if (end >= 0) suffix.truncate(end);
        dialog.setDefaultSuffix(suffix);
    });
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace look
