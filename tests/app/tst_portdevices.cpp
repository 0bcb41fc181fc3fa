// "Port Devices" as a user drives it from the label beside Connect: the map it saves picks
// the device Connect opens, outlives the window, and leaves the window's settings file alone.
#include "app/frmmain.h"
#include "app/portdevicesdialog.h"
#include "ports/portmap.h"
#include "testfiles.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr int kOpensNow = 1;
constexpr int kFrom = 2;

const QByteArray kIni("[Settings]\r\nCommPort=5\r\nSetting=9600,n,8,1\r\n[LCD]\r\nBL=128\r\n");

PortDevicesDialog *openDialog(frmMain &window)
{
    auto *action = window.findChild<QLabel *>(QStringLiteral("lblDevice"))
                       ->findChild<QAction *>(QStringLiteral("portDevicesAction"));
    if (!action ||
        !window.findChild<QLabel *>(QStringLiteral("lblDevice"))->actions().contains(action) ||
        !action->isEnabled())
        return nullptr;
    action->trigger();
    return window.findChild<PortDevicesDialog *>(QStringLiteral("PortDevicesDialog"));
}

QComboBox *deviceBox(QDialog *dialog, int port)
{
    return dialog->findChild<QComboBox *>(QStringLiteral("portDevice(%1)").arg(port));
}

void typeDevice(QDialog *dialog, int port, const QString &device)
{
    QLineEdit *edit = deviceBox(dialog, port)->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, device);
}

QString cell(QDialog *dialog, int port, int column)
{
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("portTable"));
    return table->item(port - 1, column)->text();
}

} // namespace

class PortDevicesTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void mapChoosesTheDeviceAndOutlivesTheWindow();
    void unsavableMapSaysWhyAndKeepsTheDialog();
    void systemPortGoesToTheRowBeingEdited();

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

void PortDevicesTest::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void PortDevicesTest::mapChoosesTheDeviceAndOutlivesTheWindow()
{
    const QString mapPath = m_config->filePath(QStringLiteral("vantelapp/ports.conf"));
    QString mappedDevice;
    {
        WindowFixture f(kIni); // VANTEL_COM3 names the fixture's pseudo-terminal
        mappedDevice = f.peer().slavePath();
        QPointer<PortDevicesDialog> dialog = openDialog(f.window());
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        QCOMPARE(cell(dialog, 3, kOpensNow), mappedDevice);
        QCOMPARE(cell(dialog, 3, kFrom), QStringLiteral("environment (VANTEL_COM3)"));

        // The environment stays first: a map line for COM3 says it does nothing, as it is
        // typed.
        typeDevice(dialog, 3, QStringLiteral("socket://lab-pi:4001"));
        QCOMPARE(cell(dialog, 3, kOpensNow), mappedDevice);
        QCOMPARE(cell(dialog, 3, kFrom), QStringLiteral("no effect while VANTEL_COM3 is set"));
        typeDevice(dialog, 5, mappedDevice);
        QCOMPARE(cell(dialog, 5, kOpensNow), mappedDevice);
        QCOMPARE(cell(dialog, 5, kFrom), QStringLiteral("port map"));

        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("saveMap")),
                          Qt::LeftButton);
        QTRY_VERIFY(!dialog);
        QCOMPARE(testfiles::read(mapPath),
                 QByteArray("COM3 = socket://lab-pi:4001\nCOM5 = ") + mappedDevice.toUtf8() + '\n');
        QCOMPARE(f.iniContent(), kIni);

        // COM5, chosen at start-up from the settings file, now opens the mapped device.
        QCOMPARE(f.find<QLabel>(QStringLiteral("lblDevice"))->text(),
                 QStringLiteral("COM5 = ") + mappedDevice);
        f.click(QStringLiteral("cmdConnect"));
        QVERIFY(f.window().isConnected());
        QVERIFY2(!openDialog(f.window()), "the map can be changed while connected");
        f.click(QStringLiteral("cmdConnect"));
        QVERIFY(!f.window().isConnected());
    }

    // A new start reads the map back; Cancel leaves the file as it was.
    const QByteArray saved = testfiles::read(mapPath);
    WindowFixture g(kIni, 7);
    QPointer<PortDevicesDialog> dialog = openDialog(g.window());
    QVERIFY(dialog);
    QCOMPARE(deviceBox(dialog, 5)->currentText(), mappedDevice);
    QCOMPARE(cell(dialog, 5, kFrom), QStringLiteral("port map"));
    QCOMPARE(cell(dialog, 3, kOpensNow), QStringLiteral("socket://lab-pi:4001"));
    typeDevice(dialog, 5, QStringLiteral("/dev/ttyUSB3"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelMap")),
                      Qt::LeftButton);
    QTRY_VERIFY(!dialog);
    QCOMPARE(testfiles::read(mapPath), saved);
}

// A save that fails is no success: the dialog stays with the reason and the edits.
void PortDevicesTest::unsavableMapSaysWhyAndKeepsTheDialog()
{
    // A file where the map's folder should be.
    QVERIFY(testfiles::write(m_config->filePath(QStringLiteral("vantelapp")), "not a folder"));
    WindowFixture f(kIni);
    QPointer<PortDevicesDialog> dialog = openDialog(f.window());
    QVERIFY(dialog);
    typeDevice(dialog, 9, QStringLiteral("rfc2217://127.0.0.1:3001"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("saveMap")), Qt::LeftButton);
    QVERIFY(dialog && dialog->isVisible());
    const QLabel *problem = dialog->findChild<QLabel *>(QStringLiteral("mapProblem"));
    QVERIFY2(problem->isVisible() && problem->text().startsWith("The map was not saved"),
             qPrintable(problem->text()));
    QCOMPARE(deviceBox(dialog, 9)->currentText(), QStringLiteral("rfc2217://127.0.0.1:3001"));
    QCOMPARE(testfiles::read(m_config->filePath(QStringLiteral("vantelapp"))),
             QByteArray("not a folder"));
}

void PortDevicesTest::systemPortGoesToTheRowBeingEdited()
{
    WindowFixture f(kIni);
    QPointer<PortDevicesDialog> dialog = openDialog(f.window());
    QVERIFY(dialog);
    auto *system = dialog->findChild<QTableWidget *>(QStringLiteral("systemPortTable"));
    if (system->rowCount() == 0)
        QSKIP("this system lists no serial ports");
    QApplication::setActiveWindow(dialog);
    deviceBox(dialog, 7)->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(deviceBox(dialog, 7)->hasFocus());
    const QRect firstRow = system->visualRect(system->model()->index(0, 0));
    // A view takes a double-click only on the item its press began on.
    QTest::mouseClick(system->viewport(), Qt::LeftButton, {}, firstRow.center());
    QTest::mouseDClick(system->viewport(), Qt::LeftButton, {}, firstRow.center());
    QCOMPARE(deviceBox(dialog, 7)->currentText(), system->item(0, 0)->text());
    QCOMPARE(cell(dialog, 7, kFrom), QStringLiteral("port map"));
}

QTEST_MAIN(PortDevicesTest)
#include "tst_portdevices.moc"
