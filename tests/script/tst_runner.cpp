// The runner's endings and which reply an await accepts, with a sender that records and
// replies fed by hand. Timing and timeouts are seen end to end in tst_vantelctl.

#include <QSignalSpy>
#include <QTest>

#include "script/parser.h"
#include "script/runner.h"

namespace
{

script::Steps stepsOf(const QString &text)
{
    script::Parser parser({QString(), {}});
    if (!parser.addScript(text.toUtf8(), QStringLiteral("t.vtl"), QString()))
        qFatal("%s", qPrintable(parser.error()));
    return parser.steps();
}

const proto::Reply kAck{0xFE, 0x20, 0x20};
const proto::Reply kAnalog1{0xFA, 0x01, 0xF4};

} // namespace

class TestRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void acknowledgementDuringThePauseCounts();
    void readingFromBeforeTheRequestDoesNotCount();
    void stopEndsAListenWell_data();
    void stopEndsAListenWell();
    void refusedFrameEndsTheRun_data();
    void refusedFrameEndsTheRun();

private:
    std::unique_ptr<script::ScriptRunner> m_runner;
    std::vector<proto::Frame> m_sent;
    bool m_portTakesBytes = true;
    QString m_lossInSender; // the sender ends the run with this before refusing
};

void TestRunner::init()
{
    m_sent.clear();
    m_portTakesBytes = true;
    m_lossInSender.clear();
    m_runner = std::make_unique<script::ScriptRunner>([this](const proto::Frame &frame) {
        if (m_portTakesBytes)
            m_sent.push_back(frame);
        else if (!m_lossInSender.isEmpty())
            m_runner->fail(m_lossInSender);
        return m_portTakesBytes;
    });
}

// The module may acknowledge the store while save-flash still pauses before the text.
void TestRunner::acknowledgementDuringThePauseCounts()
{
    QSignalSpy finished(m_runner.get(), &script::ScriptRunner::finished);
    m_runner->start(stepsOf(QStringLiteral("save-flash")));
    m_runner->takeReply(kAck);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().at(0).toInt(), int(script::Success));
    QCOMPARE(m_sent.size(), 3u);
}

void TestRunner::readingFromBeforeTheRequestDoesNotCount()
{
    QSignalSpy finished(m_runner.get(), &script::ScriptRunner::finished);
    QSignalSpy printed(m_runner.get(), &script::ScriptRunner::printed);
    m_runner->start(stepsOf(QStringLiteral("wait 50\nread-analog 1")));
    m_runner->takeReply({0xFA, 0x00, 0x07}); // an answer to somebody else's request
    QTRY_COMPARE(m_sent.size(), 1u);
    QVERIFY(finished.isEmpty());
    m_runner->takeReply(kAnalog1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(printed.size(), 1);
    QCOMPARE(printed.first().at(0).toString(), QStringLiteral("500"));
}

void TestRunner::stopEndsAListenWell_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("problem");

    QTest::newRow("listening") << "listen" << int(script::Success) << "";
    QTest::newRow("listening for a count") << "listen --count 5" << int(script::Success) << "";
    QTest::newRow("pausing") << "wait 1000\nclear" << int(script::Failure) << "interrupted";
}

void TestRunner::stopEndsAListenWell()
{
    QFETCH(QString, script);
    QFETCH(int, status);
    QFETCH(QString, problem);
    QSignalSpy finished(m_runner.get(), &script::ScriptRunner::finished);
    m_runner->start(stepsOf(script));
    m_runner->stop();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(0).toInt(), status);
    QCOMPARE(finished.first().at(1).toString(), problem);
    QVERIFY(m_sent.empty());
}

void TestRunner::refusedFrameEndsTheRun_data()
{
    QTest::addColumn<QString>("lossInSender");
    QTest::addColumn<QString>("problem");
    QTest::newRow("refused") << ""
                             << "t.vtl:1: clear: the port took no more bytes";
    QTest::newRow("refused by a sender that reported the loss") << "COM1 vanished: gone"
                                                                << "COM1 vanished: gone";
}

// Ended once, however the refusal came.
void TestRunner::refusedFrameEndsTheRun()
{
    QFETCH(QString, lossInSender);
    QFETCH(QString, problem);
    QSignalSpy finished(m_runner.get(), &script::ScriptRunner::finished);
    m_portTakesBytes = false;
    m_lossInSender = lossInSender;
    m_runner->start(stepsOf(QStringLiteral("clear\nhome")));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(0).toInt(), int(script::Failure));
    QCOMPARE(finished.first().at(1).toString(), problem);
}

QTEST_GUILESS_MAIN(TestRunner)
#include "tst_runner.moc"
