#include "ProgramRun.h"

#include "Form1.h"
#include "Form2.h"
#include "Form3.h"
#include "SurfaceWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>

QString shortReport(const QString& report) {
    static const QRegularExpression form(
        QStringLiteral(
            "^(.*)\r\nin Brevanel2021/08/31\\.(\\w+\\.\\w+) at line (\\d+)\r\rPlease email "
            "screenshot of this message to \\S+$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = form.match(report);
    if (!m.hasMatch()) return QStringLiteral("malformed: ") + report;
    return m.captured(2) + QLatin1Char('@') + m.captured(3) + QStringLiteral(": ") + m.captured(1);
}

QStringList shortReports(const QStringList& reports) {
    QStringList out;
    for (const QString& r : reports) out << shortReport(r);
    return out;
}

QStringList readable(const QMap<QString, QByteArray>& entries) {
    QStringList out;
    for (auto it = entries.begin(); it != entries.end(); ++it)
        out << it.key() + QStringLiteral(" = ") +
                   QString::fromLatin1(it.value().toPercentEncoding("|<> "));
    return out;
}

QStringList changedEntries(const QMap<QString, QByteArray>& before,
                           const QMap<QString, QByteArray>& after) {
    QMap<QString, QByteArray> changed;
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key()))
            changed[it.key()] = "<gone>";
        else if (after[it.key()] != it.value())
            changed[it.key()] = after[it.key()];
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!before.contains(it.key())) changed[it.key()] = it.value();
    return readable(changed);
}

EditorDriver::EditorDriver(Form1& main, bool waitUntilShown) {
    main.PushButton2_Click();
    editor_ = main.editor();
    if (editor_ && waitUntilShown) {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor_));
    }
}

QPushButton* EditorDriver::button(const char* name) const {
    return editor_->findChild<QPushButton*>(QLatin1String(name));
}

QTreeView* EditorDriver::setList() const {
    return editor_->findChild<QTreeView*>(QStringLiteral("ListView2"));
}

QTreeView* EditorDriver::cardList() const {
    return editor_->findChild<QTreeView*>(QStringLiteral("ListView1"));
}

void EditorDriver::click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }

static void clickEntry(QTreeView* view, int k) {
    const QModelIndex index = view->model()->index(k - 1, 0);
    ASSERT_TRUE(index.isValid()) << "no entry " << k;
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void EditorDriver::pickSet(int k) { clickEntry(setList(), k); }

void EditorDriver::highlightCard(int k) { clickEntry(cardList(), k); }

void EditorDriver::highlightByKeys(QTreeView* view, int k) {
    view->selectionModel()->setCurrentIndex(
        view->model()->index(k - 1, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QStringList EditorDriver::setEntries() const {
    QStringList entries;
    const QAbstractItemModel* model = setList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        entries << model->index(row, 0).data().toString();
    return entries;
}

QStringList EditorDriver::cardEntries() const {
    QStringList entries;
    const QAbstractItemModel* model = cardList()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        entries << model->index(row, 0).data().toString() + QLatin1Char('|') +
                       model->index(row, 1).data().toString();
    return entries;
}

QStringList studyWithKeys(Form1& main, const QString& keys,
                          const std::function<void(Form2&)>& first, int timeoutMs) {
    QStringList shown;
    QElapsedTimer clock;
    clock.start();
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        Form2* cards = main.cardWindow();
        if (!cards || !cards->isVisible()) return;
        const auto card = [cards] { return cards->Picture1->accessibleName(); };
        if (cards->takingKeys()) {
            driver.stop();
            if (first) first(*cards);
            shown << card();
            for (QChar key : keys) {
                QTest::keyClick(cards->Picture1,
                                key == QLatin1Char('b') ? Qt::Key_Backspace : Qt::Key_Space);
                shown << card();
            }
            QTest::keyClick(cards->Picture1, Qt::Key_Escape);
        } else if (clock.elapsed() > timeoutMs) {
            driver.stop();
            ADD_FAILURE() << "the card window never took the keys";
            cards->close();
        }
    });
    driver.start(10);
    main.PushButton1_Click();
    const Form2* cards = main.cardWindow();
    EXPECT_TRUE(cards && !cards->isVisible()) << "the card window is still open";
    EXPECT_FALSE(QApplication::activeModalWidget()) << "a modal window is still open";
    return shown;
}
