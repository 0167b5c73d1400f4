#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// (port name, 10-byte identification) of every port that answered.
using DiscoveryResult = QList<QPair<QByteArray, QByteArray>>;

// Probes every serial port that looks like a paired Bluetooth module and
// waits for all probes. Probes run on the application's shared thread pool.
DiscoveryResult discoverModules();
// Probes exactly the given ports (same result form, key order by port name).
DiscoveryResult discoverModules(const QList<QByteArray> &ports, int readTimeoutMs = 10000);
// The ports discoverModules() probes: the platform's Bluetooth serial ports,
// then the ports named in CARDIOLANE_MODULE_PORTS.
QList<QByteArray> candidateModulePorts();
// Ports named in a CARDIOLANE_MODULE_PORTS value: names or paths separated by
// ':' or ','. Lets a module that the platform does not list as Bluetooth (a
// USB adapter, a simulated module on a pseudo-terminal) be detected too.
QList<QByteArray> extraModulePorts(const QByteArray &variable);
// Whether a port is probed, from its name and its description.
bool isCandidateModulePort(const QString &portName, const QString &description);
// Opens the port, asks for the identification and closes it; empty on any failure.
QByteArray identifyModule(const QByteArray &port, int readTimeoutMs = 10000);

// The identification up to its first zero byte, as Latin-1 text.
QString moduleName(const QByteArray &identification);

// One "name=port" entry of the stored device list.
struct DeviceEntry
{
    QString name;
    QString port;
};
// Splits at the last "="; false when either side would be empty.
bool parseDeviceEntry(const QString &entry, DeviceEntry &out);
QString formatDeviceEntry(const QString &name, const QString &port);

// The device table after a detection: listed modules that were not found keep
// their port (name order), then every found module with the port it answered
// on (name order). A later row or pair with the same name wins.
QList<DeviceEntry> mergeDevices(const QList<DeviceEntry> &current, const DiscoveryResult &detected);
