#pragma once
// A window under test: a fresh settings file in a temporary folder, a pseudo-terminal
// playing the module, and COMn mapped to it (VANTEL_COM<n>). connect() picks COMn and
// presses Connect the way a user would. The benchmark builds its window here too, with its
// own far end of the line.

#include <memory>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTabWidget>
#include <QTemporaryDir>

#include "app/frmmain.h"
#include "ptypeer.h"

class QAbstractButton;
class QMessageBox;
class SettingsFile;
class QWidget;

// A control of a window or page by its objectName: tests reach the window's controls as
// its objectNames name them, never through its members.
template <typename T = QWidget> T *control(const QObject &parent, const QString &objectName)
{
    return parent.findChild<T *>(objectName);
}

// The window's tab control of the feature pages (SSTab1).
inline QTabWidget *featureTabs(const QObject &window)
{
    return control<QTabWidget>(window, QStringLiteral("SSTab1"));
}

class WindowFixture
{
public:
    // `ini` is written to vantel.ini before the window starts (nothing written when null).
    // COMn is the fixture's own pseudo-terminal, or `device` when one is given: whoever holds
    // that device plays the module, and peer() and received() are not to be used.
    explicit WindowFixture(const QByteArray &ini = QByteArray(), int portNumber = 3,
                           const QString &device = QString());
    ~WindowFixture();

    frmMain &window() { return *m_window; }
    PtyPeer &peer()
    {
        Q_ASSERT(m_peer);
        return *m_peer;
    }
    SettingsFile &settings() { return *m_settings; }
    QString iniPath() const;
    QByteArray iniContent() const;

    // Picks the port in the list and clicks Connect; true when the window is connected.
    bool connect(bool at19200 = false);
    // Clicks a control found by objectName (a button, option or cell) with the mouse.
    void click(const QString &objectName);
    // Shows the tab page that holds the control, as a user must before reaching it.
    void showPageOf(QWidget *widget);
    // Types into the typed-text box on its page, key by key.
    void type(const QString &text);
    template <typename T> T *find(const QString &objectName) const;
    QWidget *findWidget(const QString &objectName) const;
    // The window's tab page of that class.
    template <typename T> T &page() const { return *m_window->findChild<T *>(); }
    // Sends whatever the last click put on the wire and returns it, waiting for `count` bytes.
    QByteArray received(int count, int timeoutMs = 3000)
    {
        return peer().waitForBytes(count, timeoutMs);
    }

    // Closes the window the way the user does (Form_Unload runs).
    void closeWindow();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PtyPeer> m_peer;
    std::unique_ptr<SettingsFile> m_settings;
    std::unique_ptr<frmMain> m_window;
    int m_portNumber;
};

// Answers modal message boxes as they appear: a repeating timer looks for the active
// modal widget and clicks the chosen button. Records what each box said.
class ModalAnswerer
{
public:
    struct Seen {
        QString title;
        QString text;
        QString objectName;
        bool hasIcon = false;
        int buttons = 0;       // QMessageBox::StandardButtons
        int defaultButton = 0; // QMessageBox::StandardButton
    };

    // `button` is a QMessageBox::StandardButton to press.
    explicit ModalAnswerer(int button = 0x00000400 /* Ok */, int delayMs = 0);
    ~ModalAnswerer();
    void setButton(int button) { m_button = button; }
    // Holds boxes open for the given time before answering.
    void setDelay(int delayMs) { m_delayMs = delayMs; }
    const QList<Seen> &seen() const { return m_seen; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    int m_button;
    int m_delayMs;
    QList<Seen> m_seen;
};

template <typename T> T *WindowFixture::find(const QString &objectName) const
{
    return qobject_cast<T *>(findWidget(objectName));
}
