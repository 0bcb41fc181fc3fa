#pragma once
// The click-and-check steps of the page tests. One connected window serves a whole table;
// before each click the module (the fixture's pseudo-terminal) answers, so the receive
// monitor shows something the click must empty; the row's list selections are picked
// through the lists as a user picks them; and the click must put exactly the row's bytes on
// the wire and in the transmit monitor. A row that must send nothing changes neither
// monitor.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

#include "windowfixture.h"

namespace framecheck
{

// The base of a page test: one window, connected on COM3 to the fixture's pseudo-terminal,
// serves all of its tables.
class PageTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

protected:
    std::unique_ptr<WindowFixture> m_f;
};

// What the monitors show for these bytes ("FE 07 "), written out independently of the
// program.
QString caption(const QByteArray &bytes);
// hex("FE2D03"): the frame as a table row writes it.
QByteArray hex(const char *digits);

// "cboRow=3 cboColumn=19 cboio(8)=1": in this order, each list's item is picked through its
// drop-down the way a user picks it (the list reports the pick even when that item was
// already chosen); -1 leaves the list with no item, which only code can do. False when a
// list is missing or the pick did not take.
bool select(WindowFixture &f, const QString &selections);

// The module answers with an analog reading that differs from every earlier one; true once
// the receive monitor shows it. Remembers both monitors for expectNothingSent().
bool showModuleReply(WindowFixture &f);

// The frame at the module, in hex so a failure shows which byte differs; the transmit
// monitor shows it and the receive monitor was emptied.
void expectSent(WindowFixture &f, const QByteArray &frame);
// Nothing reaches the module within a short wait, and neither monitor changed since the
// last showModuleReply().
void expectNothingSent(WindowFixture &f);

// A table row: make the selections, then each click (after a fresh reply from the module)
// puts exactly `frame` on the wire and in the transmit monitor.
void clickSends(WindowFixture &f, const QString &selections, const QString &button, int clicks,
                const QByteArray &frame);

// An error row: after a known frame (the click on `primer` sends `primed`) and a reply, the
// selections leave a list without an item, and the click on `button` sends nothing.
void clickSendsNothing(WindowFixture &f, const QString &primer, const QByteArray &primed,
                       const QString &selections, const QString &button);

// A frame table in the shape the page tests share: frameColumns() in the _data function,
// then rows of << button << selections << clicks << frame; clickSendsRow() runs the current
// row with clickSends().
void frameColumns();
void clickSendsRow(WindowFixture &f);
// An error table: nothingColumns(), rows of << button << selections; clickSendsNothingRow()
// runs the current row with clickSendsNothing().
void nothingColumns();
void clickSendsNothingRow(WindowFixture &f, const QString &primer, const QByteArray &primed);

} // namespace framecheck
