#pragma once
// A local serial device (or pseudo-terminal) as a Line, through QSerialPort. Opening is
// immediate. A device that vanishes shows up as a ResourceError, a stream of ReadErrors or
// a failed write; the first of them is reported, the service then drops the line.

#include <QSerialPort>

#include "link/line.h"

namespace seriallink
{

class SerialLine : public Line
{
    Q_OBJECT
public:
    explicit SerialLine(QObject *parent = nullptr);
    ~SerialLine() override;

    Opening open(const QString &device, const LineSettings &settings) override;
    void applySettings(const LineSettings &settings) override;
    void close() override;
    void drop() override;
    bool isOpen() const override { return m_port.isOpen(); }

    bool write(const QByteArray &bytes) override;
    bool flush(int timeoutMs) override;
    // Queued here, and in the driver's output queue where the system tells (TIOCOUTQ).
    qint64 bytesUnsent() const override;
    QByteArray readAll() override;
    qint64 bytesAvailable() const override;
    qint64 bytesInDriver() const override;
    // What went wrong, in words (porterrorwords.h) rather than the system's text.
    QString errorString() const override;

private:
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};

} // namespace seriallink
