#pragma once
// What a tab page may use of the window: the transmitter to send frames, the pacing tick,
// the settings file, and the shared row and column selection. Pages never reach into the
// window or into each other.

class QComboBox;

namespace seriallink
{
class PacingClock;
class Transmitter;
} // namespace seriallink

class SettingsFile;

struct PageContext {
    seriallink::Transmitter &tx;
    seriallink::PacingClock &pacing;
    SettingsFile &settings;
    QComboBox *cboRow = nullptr;    // rows 0..3
    QComboBox *cboColumn = nullptr; // columns 0..19
};
