#pragma once
// "Port Devices": which device each of COM1 to COM20 opens, and the user's port map
// (ports/portmap.h) to change that. One row a port: the device it opens now, where that comes
// from (VANTEL_COM<n> in the environment, the map, the system's order) and the map's device
// path or URL, editable, with the system's serial ports offered in a list. The rows follow
// the edits, so a map line that the environment overrides shows as such before it is saved.
// Below, the system's serial ports with their description, maker and serial number; a
// double-click puts one into the selected row.
//
// Save writes only the rows that changed, into the map file and nowhere else, and closes
// the dialog; when the map cannot be written the dialog says why and stays open. A map file
// that cannot be read is named with its problem and never replaced.

#include <QDialog>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "link/systemports.h"
#include "ports/portmap.h"
#include "ports/portresolver.h"

class QComboBox;
class QLabel;
class QTableWidget;

class PortDevicesDialog : public QDialog
{
    Q_OBJECT
public:
    // Reads the environment, the map and the system's ports as they are now.
    explicit PortDevicesDialog(QWidget *parent = nullptr);

private:
    void buildPortTable();
    void buildSystemPortTable();
    void showResolution(int port);
    void useSystemPort(int systemRow);
    void save();

    QString m_mapPath;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    ports::LoadedPortMap m_map;
    QList<seriallink::SystemPort> m_systemPorts = seriallink::systemPorts();
    QStringList m_systemNames;

    QTableWidget *m_portTable = nullptr;
    QTableWidget *m_systemTable = nullptr;
    QLabel *m_problem = nullptr;
    QList<QComboBox *> m_devices; // the map's device for COM1 first
};
