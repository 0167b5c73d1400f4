// Finding paired modules: the stored device entries, how a detection
// changes the device table, which ports are probed, and probing simulated
// modules on pseudo-terminals.

#include "acquisition/modulediscovery.h"
#include "acquisition/modulesimulator.h"

#include <QtTest>

Q_DECLARE_METATYPE(DiscoveryResult)

namespace {

QByteArray identification(const QByteArray &name)
{
    return name + QByteArray(10 - name.size(), '\0');
}

QStringList rows(const QList<DeviceEntry> &entries)
{
    QStringList out;
    for (const DeviceEntry &e : entries)
        out << formatDeviceEntry(e.name, e.port);
    return out;
}

} // namespace

class TestModuleDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void entries()
    {
        // "name=port", split at the last "="; neither side may be empty.
        const char *cases[][2] = {{"NVR1=COM3", "NVR1|COM3"}, {"A=B=COM4", "A=B|COM4"}, {"NVR1 COM3", ""}, {"=COM3", ""}, {"NVR1=", ""}};
        for (const auto &c : cases) {
            DeviceEntry e;
            QCOMPARE(parseDeviceEntry(QLatin1String(c[0]), e), *c[1] != 0);
            if (*c[1])
                QVERIFY(e.name + "|" + e.port == QLatin1String(c[1]) && formatDeviceEntry(e.name, e.port) == QLatin1String(c[0]));
        }
    }

    void merge_data()
    {
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<DiscoveryResult>("detected");
        QTest::addColumn<QStringList>("expected");
        const QByteArray nvr1 = identification("NVR1"), nvr2 = identification("NVR2");
        QTest::newRow("name order whatever the port order")
            << QStringList() << DiscoveryResult{{"COM10", nvr2}, {"COM3", nvr1}} << QStringList{"NVR1=COM3", "NVR2=COM10"};
        QTest::newRow("unfound stays, found moves")
            << QStringList{"NVR999=COM99", "NVR1=COM5"} << DiscoveryResult{{"COM3", nvr1}}
            << QStringList{"NVR999=COM99", "NVR1=COM3"};
        QTest::newRow("paired twice: later port in byte order")
            << QStringList() << DiscoveryResult{{"COM10", nvr1}, {"COM9", nvr1}} << QStringList{"NVR1=COM9"};
        QTest::newRow("later row of the same name wins")
            << QStringList{"NVR7=COM1", "NVR7=COM2"} << DiscoveryResult() << QStringList{"NVR7=COM2"};
        QTest::newRow("nothing found removes nothing")
            << QStringList{"B=COM2", "A=COM1"} << DiscoveryResult() << QStringList{"A=COM1", "B=COM2"};
        QTest::newRow("name ends at the first zero byte")
            << QStringList() << DiscoveryResult{{"COM4", QByteArray("\xC9tude\0xyz\0", 10)}} << QStringList{"\u00C9tude=COM4"};
    }

    void merge()
    {
        QFETCH(QStringList, current);
        QFETCH(DiscoveryResult, detected);
        QList<DeviceEntry> table;
        for (const QString &row : current) {
            DeviceEntry e;
            QVERIFY(parseDeviceEntry(row, e));
            table << e;
        }
        QTEST(rows(mergeDevices(table, detected)), "expected");
    }

    void probedPorts()
    {
        QVERIFY(isCandidateModulePort("COM5", "Standard Serial over BLUETOOTH link") && !isCandidateModulePort("COM1", "Communications Port"));
#ifdef Q_OS_LINUX
        QVERIFY(isCandidateModulePort("rfcomm0", ""));
#endif
        QCOMPARE(extraModulePorts(" /tmp/nvr1:ttyUSB0,, COM7 :"), (QList<QByteArray>{"/tmp/nvr1", "ttyUSB0", "COM7"}));
        QVERIFY(extraModulePorts("").isEmpty());
        qputenv("CARDIOLANE_MODULE_PORTS", "/tmp/a,/tmp/b");
        const QList<QByteArray> ports = candidateModulePorts();
        QCOMPARE(ports.mid(ports.size() - 2), (QList<QByteArray>{"/tmp/a", "/tmp/b"}));
        qunsetenv("CARDIOLANE_MODULE_PORTS");
    }

    void probesSimulatedModules()
    {
        ModuleSimulatorOptions first, second;
        first.name = "NVR2";
        second.name = "NVR1";
        ModuleSimulator a(first), b(second);
        QVERIFY(a.open() && b.open());
        a.start();
        b.start();
        const QByteArray pa = a.devicePath().toLocal8Bit(), pb = b.devicePath().toLocal8Bit();
        // A port that does not exist, and a port listed twice and probed once.
        const DiscoveryResult result = discoverModules({pa, "/nonexistent/tty", pb, pa}, 2000);
        QVERIFY(result.size() == 2 && result[0].first < result[1].first);
        QVERIFY(result.contains(qMakePair(pa, identification("NVR2"))) && result.contains(qMakePair(pb, identification("NVR1"))));
        QVERIFY(a.identificationRequests() == 1 && b.identificationRequests() == 1 && identifyModule("/nonexistent/tty").isEmpty());
        // The station's own discovery finds a module whose port is offered for probing.
        qputenv("CARDIOLANE_MODULE_PORTS", pb);
        const DiscoveryResult offered = discoverModules();
        qunsetenv("CARDIOLANE_MODULE_PORTS");
        QVERIFY(offered.contains(qMakePair(pb, identification("NVR1"))));
    }
};

QTEST_GUILESS_MAIN(TestModuleDiscovery)
#include "tst_modulediscovery.moc"
