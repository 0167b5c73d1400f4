#include "acquisition/modulediscovery.h"
#ifndef _WIN32
#include "acquisition/modulesimulator.h"
#endif

#include <QtTest>

#include <memory>

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
    void names();
    void entries_data();
    void entries();
    void merge_data();
    void merge();
    void candidatePorts();
    void probesSimulatedModules();
};

void TestModuleDiscovery::names()
{
    QCOMPARE(moduleName(QByteArray("NVR1\0\0\0\0\0\0", 10)), QStringLiteral("NVR1"));
    QCOMPARE(moduleName(QByteArray("\xC9tude\0xyz\0", 10)), QStringLiteral("\u00C9tude"));
    QCOMPARE(moduleName(QByteArray("\0ABC", 4)), QString());
}

void TestModuleDiscovery::entries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("port");
    QTest::newRow("plain") << "NVR1=COM3" << true << "NVR1" << "COM3";
    QTest::newRow("splits at the last =") << "A=B=COM4" << true << "A=B" << "COM4";
    QTest::newRow("no =") << "NVR1 COM3" << false << "" << "";
    QTest::newRow("no name") << "=COM3" << false << "" << "";
    QTest::newRow("no port") << "NVR1=" << false << "" << "";
}

void TestModuleDiscovery::entries()
{
    QFETCH(QString, entry);
    QFETCH(bool, valid);
    DeviceEntry parsed;
    QCOMPARE(parseDeviceEntry(entry, parsed), valid);
    if (valid) {
        QTEST(parsed.name, "name");
        QTEST(parsed.port, "port");
        QCOMPARE(formatDeviceEntry(parsed.name, parsed.port), entry);
    }
}

void TestModuleDiscovery::merge_data()
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
}

void TestModuleDiscovery::merge()
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

void TestModuleDiscovery::candidatePorts()
{
    QVERIFY(isCandidateModulePort("COM5", "Standard Serial over BLUETOOTH link"));
    QVERIFY(!isCandidateModulePort("COM1", "Communications Port"));
#ifdef Q_OS_LINUX
    QVERIFY(isCandidateModulePort("rfcomm0", ""));
#endif
    QCOMPARE(extraModulePorts(" /tmp/nvr1:ttyUSB0,, COM7 :"),
             (QList<QByteArray>{"/tmp/nvr1", "ttyUSB0", "COM7"}));
    QVERIFY(extraModulePorts("").isEmpty());
}

void TestModuleDiscovery::probesSimulatedModules()
{
#ifdef _WIN32
    QSKIP("pseudo-terminals only");
#else
    ModuleSimulatorOptions first, second;
    first.name = "NVR2";
    second.name = "NVR1";
    ModuleSimulator a(first), b(second);
    QVERIFY(a.open());
    QVERIFY(b.open());
    a.start();
    b.start();
    const QByteArray pa = a.devicePath().toLocal8Bit(), pb = b.devicePath().toLocal8Bit();
    // A port that does not exist and a listed port given twice.
    const DiscoveryResult result = discoverModules({pa, "/nonexistent/tty", pb, pa}, 2000);
    const DiscoveryResult expected = pa < pb ? DiscoveryResult{{pa, identification("NVR2")}, {pb, identification("NVR1")}}
                                             : DiscoveryResult{{pb, identification("NVR1")}, {pa, identification("NVR2")}};
    QCOMPARE(result, expected);
    QCOMPARE(a.identificationRequests(), 1);
    QCOMPARE(b.identificationRequests(), 1);
    QCOMPARE(rows(mergeDevices({}, result)),
             (QStringList{formatDeviceEntry("NVR1", QString::fromLocal8Bit(pb)), formatDeviceEntry("NVR2", QString::fromLocal8Bit(pa))}));

    // The station's own discovery finds a module whose port is offered for probing.
    qputenv("CARDIOLANE_MODULE_PORTS", pb);
    const DiscoveryResult offered = discoverModules();
    qunsetenv("CARDIOLANE_MODULE_PORTS");
    QVERIFY(offered.contains(qMakePair(pb, identification("NVR1"))));
#endif
}

QTEST_GUILESS_MAIN(TestModuleDiscovery)
#include "tst_modulediscovery.moc"
