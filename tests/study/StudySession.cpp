#include "StudySession.h"

#include "CurrentSet.h"
#include "SurfaceWidget.h"

#include <QTest>
#include <QTimer>

StudySession::StudySession(const QStringList& cards) {
    QByteArray bytes = "Side 1|Side 2\r\n";
    for (const QString& card : cards) bytes += card.toUtf8() + "\r\n";
    folder.write(QStringLiteral("in-use.dat"), bytes);
    form = std::make_unique<Form2>(options);
}

void StudySession::prepare() {
    Deckwork::LoadInUseCards();
    form->Timer1.setInterval(10);
    form->Timer1.start();
    form->CurrentCard = 1;
    form->AnswerPending = false;
    form->LastRandomCard = 0;
    form->setWindowState(form->windowState() | Qt::WindowMaximized);
}

void StudySession::start() {
    prepare();
    form->Open();
}

void StudySession::startModal(const std::function<void()>& during) {
    prepare();
    QTimer::singleShot(0, form.get(), during);
    form->ShowModal();
}

bool StudySession::waitForKeys(int milliseconds) {
    return QTest::qWaitFor([this] { return form->takingKeys(); }, milliseconds);
}

QString StudySession::card() const {
    return form->Picture1->accessibleName().replace(QLatin1Char('\n'), QLatin1Char('/'));
}

bool StudySession::waitForCard(const QString& expected, int milliseconds) {
    return QTest::qWaitFor([&] { return card() == expected; }, milliseconds);
}
