#include "QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

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
    static const QString lists = QStringLiteral(
        "Lists of cards (*.csv *.tsv *.txt);;CSV (*.csv);;Tab-separated (*.tsv *.txt);;"
        "All files (*)");
    QFileDialog dialog(QApplication::activeWindow(), title, QDir::homePath(), lists);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A name typed without an extension is written as CSV.
    if (save) dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (!suggested.isEmpty()) dialog.selectFile(suggested);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace look
