// Clicked in the window, saved from the line log as a script, played by the real vantelctl
// on a fresh module: both modules end with the same screen, glyphs, settings and flash.
// The window's module and the fresh one are each the module model on a pseudo-terminal.

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "app/frmmain.h"
#include "config/backlightpage.h"
#include "framecheck.h"
#include "linelog/linelogwindow.h"
#include "modulepump.h"
#include "windowfixture.h"

namespace
{

constexpr int kTimeoutMs = 10000;

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void clickedSavedAndPlayedEndAlike();

private:
    std::unique_ptr<WindowFixture> m_f;
};

void TestRoundTrip::clickedSavedAndPlayedEndAlike()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->connect());
    ModulePump clicked(m_f->peer());
    frmMain &window = m_f->window();

    m_f->type(QStringLiteral("Hello"));
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboRow=2 cboColumn=5")));
    m_f->click(QStringLiteral("cmdSetPos"));
    m_f->type(QStringLiteral("World"));
    // A glyph drawn, kept in slot 2 (a diagonal), uploaded and shown.
    for (int row = 1; row <= 5; ++row)
        m_f->click(QStringLiteral("bitmapr%1(%2)").arg(row).arg(16 >> (row - 1)));
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboUCH=2")));
    m_f->click(QStringLiteral("cmdSaveBitmap"));
    m_f->click(QStringLiteral("cmdSendBitmap"));
    m_f->click(QStringLiteral("cmdCustomChar(2)"));
    // A backlight level from the slider's keys.
    QSlider *level = control<QSlider>(window, QStringLiteral("Backlightlevel"));
    m_f->showPageOf(level);
    level->setFocus();
    QTest::keyClick(level, Qt::Key_End);
    QTest::keyClick(level, Qt::Key_PageDown);
    // The paced message upload, then a save to flash answered Yes.
    for (int k = 0; k < 3; ++k)
        m_f->find<QLineEdit>(QStringLiteral("txtMsg(%1)").arg(k))
            ->setText(QStringLiteral("Message %1").arg(k + 1));
    m_f->click(QStringLiteral("cmdSetMsg"));
    QTRY_VERIFY_WITH_TIMEOUT(!window.pacing().sequenceRunning(), kTimeoutMs);
    {
        ModalAnswerer answerer(QMessageBox::Yes);
        QSignalSpy acknowledged(&window, &frmMain::acknowledgementShown);
        m_f->click(QStringLiteral("cmdSaveSettings"));
        QVERIFY(acknowledged.wait(kTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(!window.pacing().sequenceRunning(), kTimeoutMs);
    }
    // After the save: a stored message on row 3 and one more character.
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboRow=3 cboPMsg=1")));
    m_f->click(QStringLiteral("cmdDisTxt"));
    m_f->type(QStringLiteral("!"));

    // Everything the log holds reached the module.
    qsizetype sentBytes = 0;
    for (const auto &frame : window.lineLog().log().sentFrames())
        sentBytes += qsizetype(frame.bytes.size());
    QTRY_COMPARE_WITH_TIMEOUT(clicked.heard().size(), sentBytes, kTimeoutMs);
    const sim::ModuleModel &before = clicked.model();
    QCOMPARE(before.flash().backlightLevel, 245);
    QCOMPARE(before.flashGlyphs()[2], (sim::Glyph{16, 8, 4, 2, 1, 0, 0, 0}));
    QCOMPARE(clicked.screen().at(3), QStringLiteral("Message 2           "));
    QCOMPARE(clicked.screen().at(0), QStringLiteral("Settings Saved Onto "));

    // Saved from the line log, with the pauses as wait lines.
    window.showLineLog();
    auto *log = window.findChild<linelog::LineLogWindow *>();
    QVERIFY(log && control<QCheckBox>(*log, QStringLiteral("waitsBox"))->isChecked());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.vtl"));
    control<QPushButton>(*log, QStringLiteral("saveScriptButton"))->click();
    QFileDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = log->findChild<QFileDialog *>(QStringLiteral("SaveScriptDialog"))));
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();
    QVERIFY(QFile::exists(path));

    // Played by vantelctl on a fresh module.
    PtyPeer peer;
    QVERIFY(peer.isValid());
    ModulePump played(peer);
    QProcess ctl;
    QSignalSpy ended(&ctl, &QProcess::finished);
    ctl.start(QStringLiteral(VANTELCTL_PATH),
              {QStringLiteral("--port"), peer.slavePath(), QStringLiteral("--speed"),
               QStringLiteral("9600"), QStringLiteral("play"), path});
    QVERIFY(ended.wait(3 * kTimeoutMs));
    QCOMPARE(ctl.readAllStandardError(), QByteArray());
    QCOMPARE(ctl.exitCode(), 0);
    played.pump();

    const sim::ModuleModel &after = played.model();
    QCOMPARE(played.screen(), clicked.screen());
    QCOMPARE(after.display().cursorRow(), before.display().cursorRow());
    QCOMPARE(after.display().cursorColumn(), before.display().cursorColumn());
    QCOMPARE(after.glyphs(), before.glyphs());
    QCOMPARE(after.glyphSet(), before.glyphSet());
    QVERIFY(after.settings() == before.settings());
    QVERIFY(after.flash() == before.flash());
    QCOMPARE(after.flashGlyphs(), before.flashGlyphs());
    QCOMPARE(played.heard(), clicked.heard());
}

QTEST_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
