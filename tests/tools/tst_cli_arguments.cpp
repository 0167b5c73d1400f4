// Every numeric option of the companion is checked: bad input ends with one
// line and exit code 2, never with an abort.

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestCliArguments : public QObject
{
    Q_OBJECT

private slots:
    void badNumbers_data();
    void badNumbers();
};

void TestCliArguments::badNumbers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("option");
    QTest::newRow("huge rate") << QStringList{"filter", "--chain", "live", "--rate", "1000000000", "IN", "OUT"}
                               << "--rate";
    QTest::newRow("endless monitoring")
        << QStringList{"monitor", "--device", "sim", "--seconds", "inf", "--root", "ROOT"} << "--seconds";
    QTest::newRow("battery nan") << QStringList{"simulate-module", "--battery", "nan"} << "--battery";
    QTest::newRow("time-out overflow") << QStringList{"detect-modules", "--timeout", "99999999999"} << "--timeout";
    QTest::newRow("demo minutes") << QStringList{"demo-data", "--minutes", "1e9", "--root", "ROOT"} << "--minutes";
}

void TestCliArguments::badNumbers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, option);
    QTemporaryDir dir;
    arguments.replaceInStrings(QRegularExpression("^(IN|OUT|ROOT)$"), dir.filePath("\\1"));
    QProcess cli;
    cli.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 2);
    const QByteArray error = cli.readAllStandardError();
    QCOMPARE(error.count('\n'), 1);
    QVERIFY2(error.contains(option.toUtf8()), error.constData());
}

QTEST_GUILESS_MAIN(TestCliArguments)
#include "tst_cli_arguments.moc"
