#include "config/lcdsettingspage.h"

#include "link/messagetext.h"
#include "link/pacingclock.h"
#include "link/protocol.h"
#include "link/transmitter.h"
#include "settings/settingsfile.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

#include <QMessageBox>

using namespace controls;
using twips::element;

namespace
{

QString messageKey(int index)
{
    return QStringLiteral("M%1").arg(index + 1);
}

} // namespace

LcdSettingsPage::LcdSettingsPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    Label20 = label(this, QStringLiteral("Label20"), QStringLiteral("Select LCD Baud"), 240, 120,
                    1575, 255);
    lcdbaud[0] = option(this, element("lcdbaud", 0), QStringLiteral("9600"), 240, 420, 1335, 300);
    lcdbaud[1] = option(this, element("lcdbaud", 1), QStringLiteral("19200"), 240, 780, 1335, 300);
    lcdbaud[0]->setChecked(true);
    cmdSetBaud = button(this, QStringLiteral("cmdSetBaud"), QStringLiteral("Set LCD Baud"), 240,
                        1200, 1455, 435);
    connect(cmdSetBaud, &QPushButton::clicked, this, &LcdSettingsPage::cmdSetBaud_Click);

    Frame4 = frame(this, QStringLiteral("Frame4"), QStringLiteral("User's Defined Messages"), 1920,
                   60, 8175, 2175);
    for (int k = 0; k < proto::kMessageCount; ++k) {
        const int column = k / 5;
        const int row = k % 5;
        const int left = 120 + 2010 * column;
        const int top = 300 + 360 * row;
        lblMsg[k] =
            label(Frame4, element("lblMsg", k), QString::number(k + 1), left, top + 30, 330, 255);
        lblMsg[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        txtMsg[k] = textBox(Frame4, element("txtMsg", k), proto::kMessageLength, left + 390, top,
                            1560, 315);
    }

    cmdSetMsg = button(this, QStringLiteral("cmdSetMsg"), QStringLiteral("Set Predefined Messages"),
                       1920, 2340, 2415, 435);
    connect(cmdSetMsg, &QPushButton::clicked, this, &LcdSettingsPage::cmdSetMsg_Click);
    cmdSaveSettings = button(this, QStringLiteral("cmdSaveSettings"),
                             QStringLiteral("Save in Flash"), 7680, 2340, 2415, 435);
    connect(cmdSaveSettings, &QPushButton::clicked, this, &LcdSettingsPage::cmdSaveSettings_Click);

    connect(&m_context.pacing, &PacingClock::sequenceRunningChanged, this, [this](bool running) {
        cmdSetMsg->setEnabled(!running);
        cmdSaveSettings->setEnabled(!running);
    });
}

void LcdSettingsPage::cmdSetBaud_Click()
{
    m_context.tx.sendFrame(proto::moduleBaud(lcdbaud[0]->isChecked()));
}

void LcdSettingsPage::cmdSetMsg_Click()
{
    PacingClock &pacing = m_context.pacing;
    // The button is disabled while a sequence runs; a click that gets through anyway must
    // not reset the counter and stop the timer the running sequence waits on.
    if (!pacing.beginSequence())
        return;
    pacing.TickCount = 0;
    pacing.Timer1.start();
    for (int k = 0; k < proto::kMessageCount; ++k) {
        // Read now, not before the upload began: an edit made during the upload to a box
        // not yet sent reaches the module.
        const auto text = messageBytes(txtMsg[k]->text());
        m_context.tx.sendFrame(proto::storeMessage(k, text));
        // False once the link is gone or the window closes: stop sending at once.
        if (!pacing.waitForTick(1))
            break;
        pacing.TickCount = 0;
    }
    pacing.Timer1.stop();
    pacing.endSequence();
}

void LcdSettingsPage::cmdSaveSettings_Click()
{
    PacingClock &pacing = m_context.pacing;
    // Begun before the question so that a link lost while the question is on screen is
    // noticed when the answer comes.
    if (!pacing.beginSequence())
        return;

    QMessageBox question(QMessageBox::NoIcon, QStringLiteral("Save Settings"),
                         QStringLiteral("This will Save all Settings onto Flash"),
                         QMessageBox::Yes | QMessageBox::No, window());
    question.setObjectName(QStringLiteral("SaveSettingsQuestion"));
    question.setDefaultButton(QMessageBox::Yes);
    question.setEscapeButton(QMessageBox::No);
    // Owned by the window, not by this page: losing the device while the question is up
    // disables the tab pages, and a box owned by a page would go disabled with them, its
    // Yes and No dead and no close button to get out. No close button: the answer is
    // always Yes or No.
    question.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    if (question.exec() != QMessageBox::Yes || pacing.sequenceAborted()) {
        pacing.endSequence();
        return;
    }

    m_context.tx.sendFrame(proto::storeInFlash());
    // A write that finds the device gone aborts the sequence on the spot.
    const bool storeSent = !pacing.sequenceAborted();
    pacing.Timer1.start();
    pacing.TickCount = 0;
    // The module's acknowledgement may arrive meanwhile; its box holds this wait until it
    // is closed, however many ticks pass.
    const bool waited = pacing.waitForTick(1);
    pacing.Timer1.stop();
    if (waited) {
        m_context.tx.sendFrame(proto::controlByte(proto::kClearDisplay));
        m_context.tx.writeDirect(QByteArray(proto::kFlashConfirmationText));
    }
    // The module got the store command, so the texts the user asked to save are kept even
    // when the link went away (or the window closed) during the wait; only the display
    // bytes, which need the link, are left out.
    if (storeSent)
        saveMessages();
    pacing.endSequence();
}

void LcdSettingsPage::loadMessages()
{
    for (int k = 0; k < proto::kMessageCount; ++k)
        txtMsg[k]->setText(m_context.settings.ReadINI(QStringLiteral("MSG"), messageKey(k)));
}

void LcdSettingsPage::saveMessages()
{
    for (int k = 0; k < proto::kMessageCount; ++k)
        m_context.settings.WriteINI(QStringLiteral("MSG"), messageKey(k), txtMsg[k]->text());
}
