#include "config/lcdsettingspage.h"

#include "config/messagelengthlimit.h"
#include "link/pacingclock.h"
#include "link/transmitter.h"
#include "protocol/messagetext.h"
#include "protocol/protocol.h"
#include "settings/settingsfile.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

#include <QKeyEvent>
#include <QMessageBox>

#include <memory>

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
    // The module's speeds, told apart from the port's "9600 bps" and "19200 bps".
    labelBy(lcdbaud[0], Label20);
    labelBy(lcdbaud[1], Label20->text());
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
        m_lengthLimits[k] = new MessageLengthLimit(txtMsg[k], proto::kMessageLength);
        // Heard, the number label alone would say only "7".
        const QString name = QStringLiteral("Message %1").arg(k + 1);
        lblMsg[k]->setAccessibleName(name);
        txtMsg[k]->setAccessibleName(name);
        labelBy(txtMsg[k], lblMsg[k]);
    }

    cmdSetMsg = button(this, QStringLiteral("cmdSetMsg"), QStringLiteral("Set Predefined Messages"),
                       1920, 2340, 2415, 435);
    connect(cmdSetMsg, &QPushButton::clicked, this, &LcdSettingsPage::cmdSetMsg_Click);
    cmdSaveSettings = button(this, QStringLiteral("cmdSaveSettings"),
                             QStringLiteral("Save in Flash"), 7680, 2340, 2415, 435);
    connect(cmdSaveSettings, &QPushButton::clicked, this, &LcdSettingsPage::cmdSaveSettings_Click);

    connect(&m_context.pacing, &seriallink::PacingClock::sequenceRunningChanged, this,
            [this](bool running) {
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
    seriallink::PacedSequence upload;
    upload.startTicking();
    for (int k = 0; k < proto::kMessageCount; ++k) {
        upload.run([this, k] {
            // Read when its frame goes out, not when the upload began: an edit made during
            // the upload to a box not yet sent reaches the module.
            m_context.tx.sendFrame(proto::storeMessage(k, proto::messageBytes(txtMsg[k]->text())));
        });
        upload.waitForTick();
    }
    // The button is disabled while a sequence runs; a click that gets through anyway is
    // refused, since it would reset the counter and stop the timer the other one uses.
    m_context.pacing.start(std::move(upload));
}

void LcdSettingsPage::cmdSaveSettings_Click()
{
    // The button is disabled while a sequence runs; a click that gets through anyway is
    // refused before it asks.
    if (m_context.pacing.sequenceRunning() || (m_saveQuestion && m_saveQuestion->isVisible()))
        return;
    askToSave();
}

void LcdSettingsPage::startSave()
{
    // Set once the store command is out: from then on the module has the settings and the
    // user has confirmed, so the texts are kept even if the link goes away before the end.
    auto storeSent = std::make_shared<bool>(false);
    seriallink::PacedSequence save;
    save.run([this] { m_context.tx.sendFrame(proto::storeInFlash()); })
        // Not reached when that send found the device gone: the loss ended the sequence.
        .run([storeSent] { *storeSent = true; })
        .startTicking()
        // The module's acknowledgement may arrive meanwhile; its box holds this wait until
        // it is closed, however many ticks pass.
        .waitForTick()
        .run([this] { m_context.tx.sendFrame(proto::controlByte(proto::kClearDisplay)); })
        .run([this] { m_context.tx.writeDirect(QByteArray(proto::kFlashConfirmationText)); })
        .onEnd([this, storeSent](bool) {
            if (*storeSent)
                saveMessages();
        });
    m_context.pacing.start(std::move(save));
}

void LcdSettingsPage::askToSave()
{
    // Asked before the save takes the pacing slot, so nothing behind the box changes
    // while it is up.
    auto *question = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Save Settings"),
                                     QStringLiteral("This will Save all Settings onto Flash"),
                                     QMessageBox::Yes | QMessageBox::No, window());
    question->setObjectName(QStringLiteral("SaveSettingsQuestion"));
    question->setDefaultButton(QMessageBox::Yes);
    // Owned by the window, not by this page: losing the device disables the tab pages, and
    // a box owned by a page would go disabled with them. No close button, and neither Esc
    // nor a close request answers it: the answer is always Yes or No.
    question->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    question->installEventFilter(this);
    m_saveQuestion = question;
    connect(question, &QMessageBox::finished, this, [this](int answer) {
        // Yes from a question that outlived the link (closed below as No) cannot come.
        if (answer == QMessageBox::Yes && isEnabled())
            startSave();
    });
    showWithoutWaiting(question);
}

bool LcdSettingsPage::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: the question's own teardown sends events (child removals) through
    // here while it is no longer a QMessageBox, when the guarded pointer must not be read.
    const QEvent::Type type = event->type();
    if (type != QEvent::Close && type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    if (watched != m_saveQuestion)
        return QWidget::eventFilter(watched, event);
    if (type == QEvent::Close) {
        event->ignore();
        return true;
    }
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LcdSettingsPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The pages go grey when the port closes (Disconnect, a lost device): a question still
    // up has nothing left to decide.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_saveQuestion &&
        m_saveQuestion->isVisible())
        m_saveQuestion->done(QMessageBox::No);
}

void LcdSettingsPage::loadMessages()
{
    const SettingsSnapshot saved = m_context.settings.read();
    for (int k = 0; k < proto::kMessageCount; ++k)
        m_lengthLimits[k]->load(saved.ReadINI(QStringLiteral("MSG"), messageKey(k)));
}

void LcdSettingsPage::saveMessages()
{
    for (int k = 0; k < proto::kMessageCount; ++k)
        m_context.settings.WriteINI(QStringLiteral("MSG"), messageKey(k), txtMsg[k]->text());
}
