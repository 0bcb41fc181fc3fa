#pragma once
// Tab page "LCD Settings": the module's line speed, the twenty predefined messages with
// their paced upload, and the store of the module's settings in its flash memory.
//
// Both paced commands are sequences of steps that the 200 ms tick moves on
// (link/pacingclock.h), so the window handles its events between them. Only one runs at
// a time (their buttons are disabled meanwhile), and a disconnect, a lost device or the
// window closing ends the running one at once: nothing more is sent. A save to flash cut
// short after its store command went out still writes the message texts to the settings
// file, since they need no link.

#include <array>

#include <QPointer>
#include <QWidget>

#include "widgets/pagecontext.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class MessageLengthLimit;
class QPushButton;
class QRadioButton;

class LcdSettingsPage : public QWidget
{
    Q_OBJECT
public:
    LcdSettingsPage(PageContext &context, QWidget *parent = nullptr);

    void cmdSetBaud_Click();
    void cmdSetMsg_Click();
    void cmdSaveSettings_Click();

    // Start-up: the twenty texts from section MSG, each whole however long.
    void loadMessages();

private:
    QLabel *Label20 = nullptr;
    std::array<QRadioButton *, 2> lcdbaud{};
    QPushButton *cmdSetBaud = nullptr;
    QGroupBox *Frame4 = nullptr;
    std::array<QLineEdit *, 20> txtMsg{};
    std::array<QLabel *, 20> lblMsg{};
    QPushButton *cmdSetMsg = nullptr;
    QPushButton *cmdSaveSettings = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The save asks first; only Yes starts the paced part.
    void askToSave();
    void startSave();
    void saveMessages();

    PageContext &m_context;
    std::array<MessageLengthLimit *, 20> m_lengthLimits{};
    QPointer<QMessageBox> m_saveQuestion;
};
