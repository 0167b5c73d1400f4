#include "acquisition/modulediscovery.h"

#include "acquisition/comport.h"

#include <QFuture>
#include <QMap>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QtConcurrent/QtConcurrentRun>

QByteArray identifyModule(const QByteArray &port, int readTimeoutMs)
{
    ComPort comPort(port.toStdString(), 115200, readTimeoutMs);
    if (!comPort.isOpen())
        return QByteArray();
    const std::string answer = comPort.identification();
    return QByteArray(answer.data(), int(answer.size()));
}

bool isCandidateModulePort(const QString &portName, const QString &description)
{
    if (description.contains(QLatin1String("Bluetooth"), Qt::CaseInsensitive))
        return true;
#ifdef Q_OS_LINUX
    // Linux describes bound Bluetooth serial links by name only.
    if (portName.startsWith(QLatin1String("rfcomm")))
        return true;
#else
    Q_UNUSED(portName);
#endif
    return false;
}

QList<QByteArray> candidateModulePorts()
{
    QList<QByteArray> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        if (isCandidateModulePort(info.portName(), info.description()))
            ports.append(info.portName().toLocal8Bit());
    }
    return ports + extraModulePorts(qgetenv("CARDIOLANE_MODULE_PORTS"));
}

QList<QByteArray> extraModulePorts(const QByteArray &variable)
{
    QList<QByteArray> ports;
    for (QByteArray port : variable.split(':')) {
        for (QByteArray part : port.split(',')) {
            part = part.trimmed();
            if (!part.isEmpty())
                ports.append(part);
        }
    }
    return ports;
}

DiscoveryResult discoverModules(const QList<QByteArray> &ports, int readTimeoutMs)
{
    // One probe per port name: two probes of the same port at once would
    // fight over it (the second opening fails where ports are not shared).
    QMap<QByteArray, QFuture<QByteArray>> probes;
    for (const QByteArray &port : ports) {
        if (!probes.contains(port))
            probes.insert(port, QtConcurrent::run(identifyModule, port, readTimeoutMs));
    }
    DiscoveryResult result;
    for (auto it = probes.begin(); it != probes.end(); ++it) {
        const QByteArray identification = it.value().result();
        if (!identification.isEmpty())
            result.append(qMakePair(it.key(), identification));
    }
    return result;
}

DiscoveryResult discoverModules()
{
    return discoverModules(candidateModulePorts());
}

QString moduleName(const QByteArray &identification)
{
    const int end = identification.indexOf('\0');
    return QString::fromLatin1(end < 0 ? identification : identification.left(end));
}

bool parseDeviceEntry(const QString &entry, DeviceEntry &out)
{
    static const QRegularExpression pattern(QStringLiteral("^(.+)=(.+)$"));
    const QRegularExpressionMatch match = pattern.match(entry);
    if (!match.hasMatch())
        return false;
    out.name = match.captured(1);
    out.port = match.captured(2);
    return true;
}

QString formatDeviceEntry(const QString &name, const QString &port)
{
    return QStringLiteral("%1=%2").arg(name, port);
}

QList<DeviceEntry> mergeDevices(const QList<DeviceEntry> &current, const DiscoveryResult &detected)
{
    QMap<QString, QString> listed;
    for (const DeviceEntry &row : current)
        listed.insert(row.name, row.port);
    QMap<QString, QString> found;
    for (const auto &pair : detected)
        found.insert(moduleName(pair.second), QString::fromLocal8Bit(pair.first));

    QList<DeviceEntry> rows;
    for (auto it = listed.cbegin(); it != listed.cend(); ++it) {
        if (!found.contains(it.key()))
            rows.append({it.key(), it.value()});
    }
    for (auto it = found.cbegin(); it != found.cend(); ++it)
        rows.append({it.key(), it.value()});
    return rows;
}
