// What vantelapp answers instead of opening its window, decided on plain values and seen from
// the real program; and the identity the window shows the desktop.
#include "app/commandline.h"
#include "app/desktopidentity.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QString kVersionLine = QStringLiteral("vantelapp " VANTEL_VERSION "\n");
const QString kNoDisplay = QStringLiteral("vantelapp: no display found");
constexpr int kOpensWindow = -1;

QProcessEnvironment withoutDisplay(const QStringList &variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    for (const QString &variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0),
                           variable.section(QLatin1Char('='), 1));
    return environment;
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT
private slots:
    void beforeApplication_data();
    void beforeApplication();
    void realProgram_data();
    void realProgram();
    void desktopIdentityMatchesTheEntry();
};

void CommandLineTest::beforeApplication_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("status"); // kOpensWindow: no answer, the window opens
    QTest::addColumn<QString>("textStart");

    const QStringList x11{QStringLiteral("DISPLAY=:0")};
    const QString usage = QStringLiteral("Usage: vantelapp [options]\n");
    QTest::newRow("--help") << QStringList{"--help"} << x11 << 0 << usage;
    QTest::newRow("--version") << QStringList{"--version"} << x11 << 0 << kVersionLine;
    QTest::newRow("-v beside Qt's options")
        << QStringList{"-style", "fusion", "-v"} << x11 << 0 << kVersionLine;
    // Qt's own single-dash words hold the letters of -h and -v.
    QTest::newRow("-reverse") << QStringList{"-reverse"} << x11 << kOpensWindow << QString();
    QTest::newRow("-stylesheet") << QStringList{"-stylesheet", "a.qss"} << x11 << kOpensWindow
                                 << QString();

    QTest::newRow("no display") << QStringList() << QStringList() << 1 << kNoDisplay;
    QTest::newRow("Wayland") << QStringList() << QStringList{"WAYLAND_DISPLAY=wayland-0"}
                             << kOpensWindow << QString();
    QTest::newRow("xcb") << QStringList() << QStringList{"QT_QPA_PLATFORM=xcb"} << 1 << kNoDisplay;
    QTest::newRow("xcb or minimal with options")
        << QStringList() << QStringList{"QT_QPA_PLATFORM=xcb;minimal:enable_fonts"} << kOpensWindow
        << QString();
    QTest::newRow("-platform offscreen")
        << QStringList{"-platform", "offscreen"} << QStringList() << kOpensWindow << QString();
    QTest::newRow("--platform xcb over the environment")
        << QStringList{"--platform", "xcb"} << QStringList{"QT_QPA_PLATFORM=offscreen"} << 1
        << kNoDisplay;
    QTest::newRow("-display") << QStringList{"-display", ":1"} << QStringList() << kOpensWindow
                              << QString();
}

void CommandLineTest::beforeApplication()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, status);
    QFETCH(QString, textStart);

    const auto answer = commandline::answerBeforeApplication(QStringList{"vantelapp"} + arguments,
                                                             withoutDisplay(environment));
    QCOMPARE(answer.has_value() ? answer->exitStatus : kOpensWindow, status);
    if (answer)
        QVERIFY2(answer->text.startsWith(textStart), qPrintable(answer->text));
}

void CommandLineTest::realProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("errStart");

    // --help goes out the same way as --version; its text is checked above.
    QTest::newRow("--version") << QStringList{"--version"} << QStringList() << 0 << kVersionLine
                               << QString();
    QTest::newRow("no display") << QStringList() << QStringList() << 1 << QString() << kNoDisplay;
    QTest::newRow("unknown option")
        << QStringList{"--bogus"} << QStringList{"QT_QPA_PLATFORM=offscreen"} << 1 << QString()
        << QStringLiteral("vantelapp: Unknown option 'bogus'.");
    // Qt takes its own option; the window opens, reports itself and quits.
    QTest::newRow("-platform offscreen")
        << QStringList{"-platform", "offscreen"}
        << QStringList{"VANTEL_REPORT_SHOWN=1", "VANTEL_EXIT_AFTER_SHOWN=1"} << 0
        << QStringLiteral("shown ") << QString();
}

void CommandLineTest::realProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, errStart);

    QTemporaryDir runtime; // else Qt warns that XDG_RUNTIME_DIR is not set
    QProcess program;
    program.setProcessEnvironment(
        withoutDisplay(environment << QStringLiteral("XDG_RUNTIME_DIR=") + runtime.path()));
    program.start(QStringLiteral(VANTEL_APP_PATH), arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString stdOut = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(program.readAllStandardError());
    // A Qt abort would be a crash (SIGABRT, status 134 in a shell) with a core dump.
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
    // An answer on standard error is one line.
    QVERIFY2(errStart.isEmpty() ? stdErr.isEmpty()
                                : stdErr.startsWith(errStart) && stdErr.count('\n') == 1,
             qPrintable(stdErr));
}

// The desktop file name and the icon name are the packaged entry's, and the built-in icon
// draws where no icon theme has one (offscreen has none).
void CommandLineTest::desktopIdentityMatchesTheEntry()
{
    setDesktopIdentity();
    QFile entry(QStringLiteral(VANTEL_PACKAGING_DIR "/") + QGuiApplication::desktopFileName() +
                QStringLiteral(".desktop"));
    QVERIFY2(entry.open(QIODevice::ReadOnly), qPrintable(entry.fileName()));
    QVERIFY(entry.readAll().contains("\nIcon=" + kDesktopId.toString().toUtf8() + '\n'));
    QVERIFY2(!QApplication::windowIcon().pixmap(48, 48).isNull(),
             "no built-in icon: is Qt's SVG plugin (libqt6svg6) installed?");
}

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
