#pragma once
// Shared steps of the page tests: one connected window serves a whole table, the module
// (a pseudo-terminal) has just answered so the receive monitor shows something, the row's
// list selections are made through the lists themselves, and a click must put exactly the
// row's bytes on the wire and in the transmit monitor.

#include "app/frmmain.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

namespace framecheck
{

// An analog reading, as the module sends it. Each one differs from the last, so the receive
// monitor proves that this reply arrived rather than showing an earlier one.
inline int replyCount = 0;
inline QString lastReplyCaption;

// What the monitors show for these bytes, written out independently of the program.
inline QString caption(const QByteArray &bytes)
{
    return bytes.isEmpty() ? QString() : QString::fromLatin1(bytes.toHex(' ').toUpper() + ' ');
}

// "cboRow=3 cboColumn=19": each list gets that item index; -1 leaves it with no item selected.
inline bool select(WindowFixture &f, const QString &selections)
{
    static const QRegularExpression kPair(QStringLiteral("(\\w+)=(-?\\d+)"));
    for (const auto &match : kPair.globalMatch(selections)) {
        auto *list = f.find<QComboBox>(match.captured(1));
        if (!list)
            return false;
        list->setCurrentIndex(match.captured(2).toInt());
        if (list->currentIndex() != match.captured(2).toInt())
            return false;
    }
    return true;
}

inline void selectFirstItems(WindowFixture &f, const QStringList &lists)
{
    for (const QString &name : lists)
        f.find<QComboBox>(name)->setCurrentIndex(0);
}

// The module answers; true once the receive monitor shows the reply.
inline bool showModuleReply(WindowFixture &f)
{
    const QByteArray reply{"\xFA\x01", 2};
    const QByteArray bytes = reply + static_cast<char>(++replyCount);
    lastReplyCaption = caption(bytes);
    if (!f.peer().send(bytes))
        return false;
    return QTest::qWaitFor([&] { return f.window().lblRxData->text() == lastReplyCaption; }, 3000);
}

// Nothing reaches the module within a short wait, and neither monitor changed.
inline void expectNothingSent(WindowFixture &f, const QString &txCaptionBefore)
{
    QCOMPARE(caption(f.received(1, 300)), QString());
    QCOMPARE(f.window().lblTxData->text(), txCaptionBefore);
    QCOMPARE(f.window().lblRxData->text(), lastReplyCaption);
}

// The frame at the module, in hex so a failure shows which byte differs; then the monitors.
inline void expectSent(WindowFixture &f, const QByteArray &frame)
{
    QCOMPARE(caption(f.received(int(frame.size()))), caption(frame));
    QCOMPARE(f.window().lblTxData->text(), caption(frame));
    QCOMPARE(f.window().lblRxData->text(), QString());
}

// A table row: make the selections, then each click (after a fresh reply from the module)
// puts exactly `frame` on the wire and in the transmit monitor.
inline void clickSends(WindowFixture &f, const QString &selections, const QString &button,
                       int clicks, const QByteArray &frame)
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

// An error row: after a known frame (`primer`) and a reply, the selections leave a list
// without an item, and the click sends nothing and changes neither monitor.
inline void clickSendsNothing(WindowFixture &f, const QString &primer, const QByteArray &primed,
                              const QString &selections, const QString &button)
{
    f.click(primer);
    QCOMPARE(caption(f.received(int(primed.size()))), caption(primed));
    QVERIFY(showModuleReply(f));
    QVERIFY(select(f, selections));
    f.click(button);
    expectNothingSent(f, caption(primed));
}

} // namespace framecheck
