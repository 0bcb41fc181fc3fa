#pragma once
// The real window in this process, set up as the tests set it up (WindowFixture: a settings
// file in a temporary folder, COM3 mapped to a pseudo-terminal, Connect clicked), except
// that the far end of the line is a PtyLine, which times every byte. Each measurement
// drives the window the way a user does, with mouse clicks, and lets the window's own event
// loop do the work.

#include <memory>
#include <vector>

#include <QString>

#include "ptyline.h"

class frmMain;
class Ser2NetServer;
class WindowFixture;

class WindowBench
{
public:
    // `throughSer2Net`: the window reaches the pseudo-terminal through Debian's ser2net on
    // loopback (rfc2217://127.0.0.1:PORT) instead of opening it itself.
    explicit WindowBench(bool throughSer2Net = false);
    ~WindowBench();

    // Builds, shows and connects the window; false (with a reason) when that failed.
    bool start(QString &error);
    frmMain &window();

    // Milliseconds from the click on `button` until the peer has read `frameBytes` bytes,
    // once per repeat. With `endsPacedSequence` the paced sequence the click starts is
    // ended as soon as its first frame arrived.
    std::vector<double> clickLatency(const QString &button, int frameBytes, int repeats,
                                     bool endsPacedSequence);

    struct Upload {
        bool complete = false;    // twenty frames, in order, with the texts from the boxes
        double totalMs = 0;       // click until the sequence ended
        std::vector<double> gaps; // between the first bytes of consecutive frames, ms
        int otherClicks = 0;      // clicked meanwhile; all their frames arrived whole
        bool otherFramesWhole = true;
        double longestStallMs = 0; // of the event loop during the upload
        double busyInStallMs = 0;  // CPU time of the window's thread within that stall
    };
    Upload upload(bool clickOthersMeanwhile);

    struct Flood {
        bool exact = false; // every byte consumed, final replies shown as sent
        double repliesPerSecond = 0;
        double longestStallMs = 0;
        double busyInStallMs = 0;
    };
    // `replies` replies, as fast as the pty takes them (paced: 0) or one every `pacedUs`.
    Flood flood(int replies, int pacedUs);
    // The same event-loop watch over `ms` with nothing arriving: what the machine alone costs.
    Flood quiet(int ms);

    // CPU time used per wall-clock time, in percent, over `ms` of an idle event loop.
    double idleCpuPercent(int ms);
    // The device vanishes: CPU while the window's message box is open and after it was
    // answered. False when the window did not notice the loss.
    bool vanish(int ms, double &whileBoxOpen, double &afterAnswer);

private:
    void click(const QString &objectName);
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    static void wakeMainThread();

    bool m_throughSer2Net = false;
    std::unique_ptr<PtyLine> m_line;
    std::unique_ptr<Ser2NetServer> m_server;
    std::unique_ptr<WindowFixture> m_fixture;
    qsizetype m_consumed = 0; // bytes the window took from the port
    qsizetype m_consumeTarget = -1;
    Clock::time_point m_consumedAt;
};
