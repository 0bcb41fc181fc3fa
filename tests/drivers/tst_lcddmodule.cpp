// vantel.so under Debian's LCDd, the module model on a pseudo-terminal behind it (or behind
// Debian's ser2net): what LCDd's clients draw reaches the model's screen, keys reach the
// clients, and a module that goes away and comes back is painted again while LCDd keeps
// serving.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

#include "lcddserver.h"
#include "modulepump.h"
#include "ptypeer.h"
#include "ser2netserver.h"
#include "widgets.h"

namespace
{

constexpr int kTimeoutMs = 8000;
constexpr char16_t kBlock = 0xFF;

QString padded(const QString &text)
{
    return text.leftJustified(proto::kColumns, QLatin1Char(' '), true);
}

} // namespace

class TestLcddModule : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PtyPeer> m_peer;
    std::unique_ptr<ModulePump> m_pump;
    std::unique_ptr<LcddServer> m_server;
    QString m_link;

    // A new module on a new pseudo-terminal, the link pointing at it.
    void plugModule()
    {
        m_pump.reset();
        m_peer = std::make_unique<PtyPeer>();
        QVERIFY(m_peer->isValid());
        m_pump = std::make_unique<ModulePump>(*m_peer);
        QFile::remove(m_link);
        QVERIFY(QFile::link(m_peer->slavePath(), m_link));
    }

    QString screenText() const { return m_pump->screen().join(QLatin1Char('\n')); }

    // The glyph a cell of the model's screen shows from its slots.
    sim::Glyph cellGlyph(int row, int column) const
    {
        const std::uint8_t code = m_pump->model().display().cell(row, column);
        return code <= proto::kLastCustomChar ? m_pump->model().glyphs()[code] : sim::Glyph{};
    }

    // Where the module's screen differs from what ownClientWidgets() asked LCDd for.
    QString widgetsMismatch() const
    {
        const auto cell = [this](int row, int column) {
            return m_pump->model().display().cell(row, column);
        };
        const QString block(2, QChar(kBlock));
        if (!m_pump->rowText(0).startsWith(block + QStringLiteral(" Tst ") + QChar(kBlock)))
            return QStringLiteral("title: ") + m_pump->rowText(0);
        if (!m_pump->rowText(1).startsWith(QStringLiteral("Text")))
            return QStringLiteral("string: ") + m_pump->rowText(1);
        // hbar: 12 of 100 dots, two solid cells and one of two dot columns.
        if (m_pump->rowText(2).left(2) != block || cellGlyph(2, 2) != lcdd::leftColumns(2))
            return QStringLiteral("hbar: ") + m_pump->rowText(2);
        // vbar: 12 of 32 dots from the bottom row up, a solid cell and four dot rows.
        if (cell(3, 9) != 0xFF || cellGlyph(2, 9) != lcdd::bottomRows(4))
            return QStringLiteral("vbar");
        // Icons: a heart and a ticked box from the slots, the module's own ellipsis.
        if (cellGlyph(3, 0) != sim::Glyph{0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00})
            return QStringLiteral("heart");
        if (cell(3, 1) != 0x85)
            return QStringLiteral("ellipsis");
        if (cellGlyph(3, 2) != sim::Glyph{0x00, 0x1F, 0x15, 0x1B, 0x15, 0x1F, 0x00, 0x00})
            return QStringLiteral("check box");
        // The big 8 in columns 17-19: solid sides, bars across the top and middle.
        for (int row = 0; row < proto::kRows; ++row) {
            if (cell(row, 16) != 0xFF || cell(row, 18) != 0xFF)
                return QStringLiteral("big digit's sides, row %1").arg(row);
        }
        if (cellGlyph(0, 17) != sim::Glyph{0x1F, 0x1F, 0x1F, 0, 0, 0, 0, 0} || cell(2, 17) != ' ')
            return QStringLiteral("big digit's middle");
        return {};
    }

    // Debian's system monitor client showing one screen: a config of its own, so that only
    // the screen named runs.
    void startLcdproc(QProcess &client, const QString &screen)
    {
        const QString config = m_server->folder() + QStringLiteral("/lcdproc.conf");
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const char *section : {"CPU", "SMP-CPU", "Memory", "Load", "TimeDate", "Uptime",
                                    "About", "MiniClock", "Iface", "Disk"})
            file.write(QByteArray("[") + section + "]\nActive=false\n");
        file.close();
        client.start(QStringLiteral("lcdproc"),
                     {QStringLiteral("-c"), config, QStringLiteral("-f"), QStringLiteral("-s"),
                      QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                      QString::number(m_server->port()), screen});
        QVERIFY(client.waitForStarted());
    }

private slots:
    void initTestCase()
    {
        if (!LcddServer::isInstalled())
            QSKIP("LCDd is not installed (Debian package lcdproc)");
    }

    void init()
    {
        m_server = std::make_unique<LcddServer>(QStringList{QStringLiteral("Keypad=yes")});
        m_link = m_server->devicePath();
        plugModule();
        QVERIFY2(m_server->start(), m_server->output().constData());
    }

    void cleanup()
    {
        if (m_server)
            m_server->stop();
        if (QTest::currentTestFailed() && m_server && m_pump)
            qWarning("LCDd said:\n%s\nThe module heard: %s", m_server->output().constData(),
                     m_pump->heardHex().right(600).constData());
        m_server.reset();
        m_pump.reset();
        m_peer.reset();
    }

    // Debian's system monitor client, one screen at a time.
    void lcdprocScreens_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("shows");
        QTest::newRow("CPU") << QStringLiteral("C") << QStringLiteral("CPU LOAD");
        QTest::newRow("memory") << QStringLiteral("M") << QStringLiteral("MEM");
    }
    void lcdprocScreens()
    {
        QFETCH(QString, screen);
        QFETCH(QString, shows);
        QProcess client;
        startLcdproc(client, screen);
        QTRY_VERIFY_WITH_TIMEOUT(m_pump->rowText(0).contains(shows), kTimeoutMs);
        // The title bar's ends are the module's own solid block.
        QVERIFY2(m_pump->rowText(0).contains(QString(2, QChar(kBlock))), qPrintable(screenText()));
        client.terminate();
        client.waitForFinished();
    }

    // Every widget type, where LCDd lays it out.
    void ownClientWidgets()
    {
        LineClient client;
        QVERIFY(client.connectTo(m_server->port()));
        QVERIFY(client.command("hello").startsWith("connect "));
        for (const char *line :
             {"screen_add s", "screen_set s -priority alert", "screen_set s -heartbeat off",
              "widget_add s t title", "widget_set s t {Tst}", "widget_add s w string",
              "widget_set s w 1 2 {Text}", "widget_add s h hbar", "widget_set s h 1 3 12",
              "widget_add s v vbar", "widget_set s v 10 4 12", "widget_add s n num",
              "widget_set s n 17 8", "widget_add s i1 icon", "widget_set s i1 1 4 HEART_FILLED",
              "widget_add s i2 icon", "widget_set s i2 2 4 ELLIPSIS", "widget_add s i3 icon",
              "widget_set s i3 3 4 CHECKBOX_ON"})
            QCOMPARE(client.command(line), QByteArray("success"));

        // LCDd draws the widgets from its next frame on, and the module may have read only
        // part of that frame yet: wait for the whole picture.
        QTRY_COMPARE_WITH_TIMEOUT(widgetsMismatch(), QString(), kTimeoutMs);
        // LCDd goes on drawing eight frames a second; a picture that stays sends nothing.
        QTest::qWait(300);
        const qsizetype heard = m_pump->heard().size();
        QTest::qWait(700);
        QCOMPARE(m_pump->heard().size(), heard);
    }

    // A key of the module's keypad reaches the client that asked for it, by its mapped name.
    void keypadKeyReachesClient()
    {
        LineClient client;
        QVERIFY(client.connectTo(m_server->port()));
        QVERIFY(client.command("hello").startsWith("connect "));
        QCOMPARE(client.command("screen_add k"), QByteArray("success"));
        QCOMPARE(client.command("screen_set k -priority alert"), QByteArray("success"));
        QCOMPARE(client.command("client_add_key Enter"), QByteArray("success"));
        QCOMPARE(client.command("widget_add k w string"), QByteArray("success"));
        QCOMPARE(client.command("widget_set k w 1 1 {Keys}"), QByteArray("success"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().settings().p2Mode, proto::P2Mode::Keypad,
                                  kTimeoutMs);
        // LCDd hands a key to the client whose screen it shows: wait until the module shows it.
        QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(0), padded(QStringLiteral("Keys")), kTimeoutMs);
        // Key 6 (second row, second column of the pad) is Enter unless the config says else.
        m_pump->send(m_pump->model().setKey(6, true));
        QCOMPARE(client.waitForLine("key ", kTimeoutMs), QByteArray("key Enter"));
        m_pump->send(m_pump->model().setKey(6, false));
    }

    void moduleGoneAndBack()
    {
        LineClient client;
        QVERIFY(client.connectTo(m_server->port()));
        QVERIFY(client.command("hello").startsWith("connect "));
        for (const char *line :
             {"screen_add s", "screen_set s -priority alert", "screen_set s -heartbeat off",
              "widget_add s w string", "widget_set s w 1 1 {Before}"})
            QCOMPARE(client.command(line), QByteArray("success"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(0), padded(QStringLiteral("Before")), kTimeoutMs);

        m_pump.reset();
        m_peer->hangUp();
        QFile::remove(m_link);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->output().contains("lost the module"), kTimeoutMs);
        // LCDd goes on serving clients, old and new, while the module is away.
        QCOMPARE(client.command("widget_set s w 1 1 {During}"), QByteArray("success"));
        LineClient newcomer;
        QVERIFY(newcomer.connectTo(m_server->port()));
        QVERIFY(newcomer.command("hello").startsWith("connect "));
        QTest::qWait(2500); // retries find nothing for two seconds and more
        QCOMPARE(m_server->output().count("lost the module"), 1);

        plugModule();
        QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(0), padded(QStringLiteral("During")), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->output().contains("the module is back"), kTimeoutMs);
        QCOMPARE(client.command("widget_set s w 1 1 {After}"), QByteArray("success"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(0), padded(QStringLiteral("After")), kTimeoutMs);
    }
    // The module on a board in the rack: ser2net shares its device, LCDd reaches it over
    // RFC 2217 at the speed the config names. ser2net gone is a lost module; ser2net back,
    // the module is painted again.
    void behindSer2Net()
    {
        if (!Ser2NetServer::installed())
            QSKIP("ser2net is not installed");
        Ser2NetServer ser2net(m_peer->slavePath());
        QVERIFY(ser2net.start());
        m_server->stop();
        m_server = std::make_unique<LcddServer>(QStringList{
            QStringLiteral("Device=") + ser2net.rfc2217Url(), QStringLiteral("Speed=19200")});
        QVERIFY2(m_server->start(), m_server->output().constData());
        QProcess client;
        startLcdproc(client, QStringLiteral("C"));
        QTRY_VERIFY_WITH_TIMEOUT(m_pump->rowText(0).contains(QStringLiteral("CPU LOAD")),
                                 kTimeoutMs);
        termios line{};
        QVERIFY(m_peer->lineSettings(line));
        QCOMPARE(cfgetospeed(&line), speed_t(B19200));

        ser2net.kill();
        QTRY_VERIFY_WITH_TIMEOUT(m_server->output().contains("lost the module"), kTimeoutMs);
        m_pump->model().feed(proto::controlByte(proto::kClearDisplay));
        QVERIFY(ser2net.start());
        // The title is "CPU LOAD" at first, then the load and the host's name.
        QTRY_VERIFY_WITH_TIMEOUT(m_pump->rowText(0).contains(QStringLiteral(" CPU ")), kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->output().count("the module is back"), 1, kTimeoutMs);
        client.terminate();
        client.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestLcddModule)
#include "tst_lcddmodule.moc"
