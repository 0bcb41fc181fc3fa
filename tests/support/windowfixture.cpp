#include "windowfixture.h"

#include "app/applicationsetup.h"
#include "app/frmmain.h"
#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

WindowFixture::WindowFixture(const QByteArray &ini, int portNumber, const QString &device)
    : m_portNumber(portNumber)
{
    if (device.isEmpty())
        m_peer = std::make_unique<PtyPeer>();
    qputenv(QStringLiteral("VANTEL_COM%1").arg(portNumber).toLatin1(),
            (m_peer ? m_peer->slavePath() : device).toLocal8Bit());
    if (!ini.isNull())
        testfiles::write(iniPath(), ini);
    setUpApplication(); // as main() does, before the first control
    m_settings = std::make_unique<SettingsFile>(iniPath());
    m_window = std::make_unique<frmMain>(*m_settings);
    m_window->show();
}

WindowFixture::~WindowFixture()
{
    m_window.reset();
    qunsetenv(QStringLiteral("VANTEL_COM%1").arg(m_portNumber).toLatin1());
}

QString WindowFixture::iniPath() const
{
    return m_dir.filePath(QStringLiteral("vantel.ini"));
}

QByteArray WindowFixture::iniContent() const
{
    QFile file(iniPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WindowFixture::connect(bool at19200)
{
    auto *ports = find<QComboBox>(QStringLiteral("cboComm"));
    ports->setCurrentIndex(m_portNumber - 1);
    emit ports->activated(m_portNumber - 1);
    click(at19200 ? QStringLiteral("opt19200") : QStringLiteral("opt9600"));
    click(QStringLiteral("cmdConnect"));
    return m_window->isConnected();
}

QWidget *WindowFixture::findWidget(const QString &objectName) const
{
    if (m_window->objectName() == objectName)
        return m_window.get();
    return m_window->findChild<QWidget *>(objectName);
}

void WindowFixture::click(const QString &objectName)
{
    QWidget *widget = findWidget(objectName);
    if (!widget) {
        qWarning("no control named %s", qPrintable(objectName));
        return;
    }
    // The control must be on the page shown, or a real click could not reach it.
    showPageOf(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void WindowFixture::type(const QString &text)
{
    QWidget *box = findWidget(QStringLiteral("txtASCIIInput"));
    showPageOf(box);
    box->setFocus();
    QTest::keyClicks(box, text);
}

void WindowFixture::showPageOf(QWidget *widget)
{
    for (QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(
                w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr)) {
            const int index = tabs->indexOf(w);
            if (index >= 0)
                tabs->setCurrentIndex(index);
        }
    }
}

void WindowFixture::closeWindow()
{
    m_window->close();
}

struct ModalAnswerer::Impl {
    QTimer timer;
    QElapsedTimer shownFor;
    QWidget *current = nullptr;
};

ModalAnswerer::ModalAnswerer(int button, int delayMs)
    : m_impl(std::make_unique<Impl>()), m_button(button), m_delayMs(delayMs)
{
    m_impl->timer.setInterval(10);
    QObject::connect(&m_impl->timer, &QTimer::timeout, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (box != m_impl->current) {
            m_impl->current = box;
            m_impl->shownFor.start();
            Seen seen;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.objectName = box->objectName();
            seen.hasIcon = box->icon() != QMessageBox::NoIcon;
            seen.buttons = static_cast<int>(box->standardButtons());
            seen.defaultButton = box->defaultButton()
                                     ? static_cast<int>(box->standardButton(box->defaultButton()))
                                     : 0;
            m_seen << seen;
        }
        if (m_impl->shownFor.elapsed() < m_delayMs)
            return;
        QAbstractButton *target = box->button(static_cast<QMessageBox::StandardButton>(m_button));
        if (!target)
            target = box->buttons().value(0);
        m_impl->current = nullptr;
        if (target)
            target->click();
    });
    m_impl->timer.start();
}

ModalAnswerer::~ModalAnswerer() = default;
