#include "app/portdevicesdialog.h"

#include "ports/comname.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

enum PortColumn { PortName, OpensNow, From, MapDevice, PortColumns };
enum SystemColumn { Device, Description, Maker, SerialNumber, SystemColumns };

QString sourceText(const ports::ResolvedPort &resolved, int port)
{
    switch (resolved.source) {
    case ports::DeviceSource::Environment:
        return QStringLiteral("environment (VANTEL_COM%1)").arg(port);
    case ports::DeviceSource::Map:
        return QStringLiteral("port map");
    case ports::DeviceSource::SystemOrder:
        return QStringLiteral("system order");
    case ports::DeviceSource::None:
        break;
    }
    return QString();
}

QString adapterText(const seriallink::SystemPort &port)
{
    QStringList parts;
    for (const QString &part : {port.description, port.maker, port.serialNumber})
        if (!part.isEmpty())
            parts << part;
    return parts.join(QStringLiteral(", "));
}

// `one` or `many` with the line numbers put in.
QString linesSay(const QList<int> &lines, const QString &one, const QString &many)
{
    QStringList numbers;
    for (int line : lines)
        numbers << QString::number(line);
    return (numbers.size() == 1 ? one : many).arg(numbers.join(QStringLiteral(", ")));
}

QTableWidgetItem *readOnlyItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    item->setToolTip(text);
    return item;
}

} // namespace

PortDevicesDialog::PortDevicesDialog(QWidget *parent)
    : QDialog(parent), m_mapPath(ports::portMapPath()), m_map(ports::loadPortMap(m_mapPath))
{
    setObjectName(QStringLiteral("PortDevicesDialog"));
    setWindowTitle(QStringLiteral("Port Devices"));
    for (const seriallink::SystemPort &port : std::as_const(m_systemPorts))
        m_systemNames << port.portName;

    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(
        QStringLiteral("The device each COM port opens: VANTEL_COM<n> in the environment when "
                       "set, else the device or URL (rfc2217://HOST:PORT, socket://HOST:PORT) "
                       "named here, else the system's serial ports in order. The map is kept "
                       "for you in %1, and vantelctl reads it too.")
            .arg(QDir::toNativeSeparators(m_mapPath)),
        this);
    intro->setObjectName(QStringLiteral("mapIntro"));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    buildPortTable();
    layout->addWidget(m_portTable, 3);
    auto *systemCaption =
        new QLabel(QStringLiteral("Serial ports of this system (double-click one to use it for the "
                                  "selected COM port):"),
                   this);
    systemCaption->setWordWrap(true);
    layout->addWidget(systemCaption);
    buildSystemPortTable();
    systemCaption->setBuddy(m_systemTable);
    layout->addWidget(m_systemTable, 1);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("mapProblem"));
    m_problem->setWordWrap(true);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_problem);
    if (m_map.state == ports::LoadedPortMap::State::Unreadable) {
        m_problem->setText(m_map.problem +
                           QStringLiteral(". The map is not used and will not be replaced."));
    } else {
        QStringList said;
        if (!m_map.malformedLines.isEmpty())
            said << linesSay(
                m_map.malformedLines,
                QStringLiteral("Line %1 of the map names no port; it is kept as it is."),
                QStringLiteral("Lines %1 of the map name no port; they are kept as "
                               "they are."));
        // "COM9 = " left to fill in: a device given its row goes into that line.
        if (!m_map.noDeviceLines.isEmpty())
            said << linesSay(m_map.noDeviceLines,
                             QStringLiteral("Line %1 of the map names no device."),
                             QStringLiteral("Lines %1 of the map name no device."));
        for (auto it = m_map.refused.cbegin(); it != m_map.refused.cend(); ++it)
            said << QStringLiteral("COM%1 opens no device: the map's %2.")
                        .arg(it.key())
                        .arg(it.value());
        m_problem->setText(said.join(u' '));
    }
    m_problem->setVisible(!m_problem->text().isEmpty());

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("mapButtons"));
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("saveMap"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelMap"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PortDevicesDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    resize(760, 640);
}

void PortDevicesDialog::buildPortTable()
{
    m_portTable = new QTableWidget(ports::kWindowPorts, PortColumns, this);
    m_portTable->setObjectName(QStringLiteral("portTable"));
    m_portTable->setHorizontalHeaderLabels({QStringLiteral("Port"), QStringLiteral("Opens now"),
                                            QStringLiteral("From"),
                                            QStringLiteral("Device path or URL in the map")});
    m_portTable->verticalHeader()->hide();
    // A long URL keeps to its row, its middle left out; the cell's tooltip has it whole.
    m_portTable->setWordWrap(false);
    m_portTable->setTextElideMode(Qt::ElideMiddle);
    m_portTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_portTable->setSelectionMode(QAbstractItemView::SingleSelection);
    QHeaderView *header = m_portTable->horizontalHeader();
    header->setSectionResizeMode(PortName, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(OpensNow, QHeaderView::Interactive);
    header->setSectionResizeMode(From, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(MapDevice, QHeaderView::Stretch);
    m_portTable->setColumnWidth(OpensNow, 200);

    const bool editable = m_map.state != ports::LoadedPortMap::State::Unreadable;
    for (int port = 1; port <= ports::kWindowPorts; ++port) {
        const int row = port - 1;
        m_portTable->setItem(row, PortName, readOnlyItem(QStringLiteral("COM%1").arg(port)));
        m_portTable->setItem(row, OpensNow, readOnlyItem(QString()));
        m_portTable->setItem(row, From, readOnlyItem(QString()));

        auto *device = new QComboBox(m_portTable);
        device->setObjectName(QStringLiteral("portDevice(%1)").arg(port));
        device->setEditable(true);
        device->setInsertPolicy(QComboBox::NoInsert);
        device->setAccessibleName(QStringLiteral("COM%1 device in the map").arg(port));
        for (const seriallink::SystemPort &system : std::as_const(m_systemPorts)) {
            device->addItem(system.device);
            device->setItemData(device->count() - 1, adapterText(system), Qt::ToolTipRole);
        }
        device->setCurrentIndex(-1);
        device->setEditText(m_map.devices.value(port));
        device->lineEdit()->setPlaceholderText(QStringLiteral("not in the map"));
        device->setEnabled(editable);
        m_portTable->setCellWidget(row, MapDevice, device);
        m_devices << device;
        connect(device, &QComboBox::editTextChanged, this, [this, port] { showResolution(port); });
        showResolution(port);
    }
    m_portTable->resizeRowsToContents();
}

void PortDevicesDialog::buildSystemPortTable()
{
    m_systemTable = new QTableWidget(static_cast<int>(m_systemPorts.size()), SystemColumns, this);
    m_systemTable->setObjectName(QStringLiteral("systemPortTable"));
    m_systemTable->setHorizontalHeaderLabels(
        {QStringLiteral("Device"), QStringLiteral("Description"), QStringLiteral("Maker"),
         QStringLiteral("Serial number")});
    m_systemTable->verticalHeader()->hide();
    m_systemTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_systemTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_systemTable->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < m_systemPorts.size(); ++row) {
        const seriallink::SystemPort &port = m_systemPorts.at(row);
        m_systemTable->setItem(row, Device, readOnlyItem(port.device));
        m_systemTable->setItem(row, Description, readOnlyItem(port.description));
        m_systemTable->setItem(row, Maker, readOnlyItem(port.maker));
        m_systemTable->setItem(row, SerialNumber, readOnlyItem(port.serialNumber));
    }
    m_systemTable->resizeColumnsToContents();
    connect(m_systemTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row) { useSystemPort(row); });
}

void PortDevicesDialog::showResolution(int port)
{
    const QString mapped = m_devices.at(port - 1)->currentText().trimmed();
    // The map as read while it cannot be, or while a refused line stands untouched; what is
    // typed otherwise.
    ports::LoadedPortMap map = m_map;
    if (m_map.state != ports::LoadedPortMap::State::Unreadable &&
        !(mapped.isEmpty() && m_map.refused.contains(port))) {
        map = {};
        map.state = ports::LoadedPortMap::State::Read;
        map.devices = {{port, mapped}};
    }
    const ports::ResolvedPort resolved =
        ports::resolvePortFromFile(port, m_environment, map, m_systemNames);
    const int row = port - 1;
    const QString device =
        resolved.device.isEmpty() ? QStringLiteral("no device") : resolved.device;
    m_portTable->item(row, OpensNow)->setText(device);
    m_portTable->item(row, OpensNow)
        ->setToolTip(resolved.problem.isEmpty() ? device
                                                : device + QLatin1Char('\n') + resolved.problem);
    QString from = sourceText(resolved, port);
    // Said while the entry is typed, so no one saves it and wonders why nothing changed.
    if (resolved.source == ports::DeviceSource::Environment && !mapped.isEmpty())
        from = QStringLiteral("no effect while VANTEL_COM%1 is set").arg(port);
    m_portTable->item(row, From)->setText(from);
    m_portTable->item(row, From)->setToolTip(
        resolved.source == ports::DeviceSource::Environment && !mapped.isEmpty()
            ? QStringLiteral("The entry for COM%1 has no effect while VANTEL_COM%1 is set in "
                             "the environment.")
                  .arg(port)
            : from);
}

void PortDevicesDialog::useSystemPort(int systemRow)
{
    const int row = m_portTable->currentRow();
    if (row < 0 || systemRow < 0 || systemRow >= m_systemPorts.size())
        return;
    QComboBox *device = m_devices.at(row);
    if (device->isEnabled())
        device->setEditText(m_systemPorts.at(systemRow).device);
}

void PortDevicesDialog::save()
{
    // Only what the user changed is written: lines for other ports (COM21 and up, typed by
    // hand) and the person's notes stay as they are.
    ports::PortMap changes;
    for (int port = 1; port <= ports::kWindowPorts; ++port) {
        const QString device = m_devices.at(port - 1)->currentText().trimmed();
        if (device != m_map.devices.value(port))
            changes.insert(port, device);
    }
    if (changes.isEmpty()) {
        accept();
        return;
    }
    if (const auto problem = ports::savePortMap(m_mapPath, changes)) {
        m_problem->setText(QStringLiteral("The map was not saved: %1.").arg(*problem));
        m_problem->show();
        return;
    }
    accept();
}
