#include "framecheck.h"

#include "app/frmmain.h"
#include "windowfixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

namespace framecheck
{

namespace
{

int g_replies = 0;
QString g_rxAtReply;
QString g_txAtReply;

bool pick(WindowFixture &f, QComboBox *list, int item)
{
    if (item < 0) {
        list->setCurrentIndex(item);
        return list->currentIndex() == -1;
    }
    f.showPageOf(list);
    list->showPopup();
    QAbstractItemView *view = list->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); }, 3000))
        return false;
    view->setCurrentIndex(view->model()->index(item, 0));
    QTest::keyClick(view, Qt::Key_Return);
    if (!QTest::qWaitFor([view] { return !view->isVisible(); }, 3000))
        return false;
    // The closed drop-down keeps the activation here (offscreen); give it back to the window
    // so later key presses reach it.
    QWidget *window = list->window();
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 3000) &&
           list->currentIndex() == item;
}

} // namespace

void PageTest::initTestCase()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->connect());
}

void PageTest::cleanupTestCase()
{
    m_f.reset();
}

QString caption(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QString() : QString::fromLatin1(bytes.toHex(' ').toUpper() + ' ');
}

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

bool select(WindowFixture &f, const QString &selections)
{
    static const QRegularExpression kPair(QStringLiteral("([\\w()]+)=(-?\\d+)"));
    for (const auto &match : kPair.globalMatch(selections)) {
        auto *list = f.find<QComboBox>(match.captured(1));
        if (!list || !pick(f, list, match.captured(2).toInt()))
            return false;
    }
    return true;
}

bool showModuleReply(WindowFixture &f)
{
    const QByteArray reply = QByteArray("\xFA\x01", 2) + static_cast<char>(++g_replies);
    g_rxAtReply = caption(reply);
    g_txAtReply = f.find<HexMonitor>(QStringLiteral("lblTxData"))->text();
    if (!f.peer().send(reply))
        return false;
    return QTest::qWaitFor(
        [&] { return f.find<HexMonitor>(QStringLiteral("lblRxData"))->text() == g_rxAtReply; },
        3000);
}

void expectSent(WindowFixture &f, const QByteArray &frame)
{
    QCOMPARE(caption(f.received(int(frame.size()))), caption(frame));
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblTxData"))->text(), caption(frame));
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), QString());
}

void expectNothingSent(WindowFixture &f)
{
    QCOMPARE(caption(f.received(1, 300)), QString());
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblTxData"))->text(), g_txAtReply);
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), g_rxAtReply);
}

void clickSends(WindowFixture &f, const QString &selections, const QString &button, int clicks,
                const QByteArray &frame)
{
    QVERIFY(select(f, selections));
    for (int i = 0; i < clicks; ++i) {
        QVERIFY(showModuleReply(f));
        f.click(button);
        expectSent(f, frame);
        if (QTest::currentTestFailed())
            return;
    }
}

void clickSendsNothing(WindowFixture &f, const QString &primer, const QByteArray &primed,
                       const QString &selections, const QString &button)
{
    f.click(primer);
    QCOMPARE(caption(f.received(int(primed.size()))), caption(primed));
    QVERIFY(showModuleReply(f));
    QVERIFY(select(f, selections));
    f.click(button);
    expectNothingSent(f);
}

void frameColumns()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("selections");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QByteArray>("frame");
}

void clickSendsRow(WindowFixture &f)
{
    QFETCH(QString, button);
    QFETCH(QString, selections);
    QFETCH(int, clicks);
    QFETCH(QByteArray, frame);
    clickSends(f, selections, button, clicks, frame);
}

void nothingColumns()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("selections");
}

void clickSendsNothingRow(WindowFixture &f, const QString &primer, const QByteArray &primed)
{
    QFETCH(QString, button);
    QFETCH(QString, selections);
    clickSendsNothing(f, primer, primed, selections, button);
}

} // namespace framecheck
