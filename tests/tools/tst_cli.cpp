// The command-line companion run as a separate process: both reports made
// headless from demonstration data and read back as PDF; every numeric option
// checked, bad input ending with one line and exit code 2, never an abort.


#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static QString tool(const QString &name) { return QStandardPaths::findExecutable(name); }

    // Runs a program; its exit code (-1 when it did not end normally),
    // standard output and error output.
    static int run(const QString &program, const QStringList &arguments, QByteArray *out = nullptr,
                   QByteArray *error = nullptr)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        if (out)
            *out = process.readAllStandardOutput();
        if (error)
            *error = process.readAllStandardError();
        return process.exitCode();
    }

    int cli(const QStringList &arguments, QByteArray *out = nullptr, QByteArray *error = nullptr)
    {
        return run(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"),
                   arguments + QStringList{"--root", dir.filePath("root")}, out, error);
    }

private slots:
    void initTestCase()
    {
        if (tool("pdftotext").isEmpty() || tool("pdfinfo").isEmpty() || tool("pdftoppm").isEmpty())
            QSKIP("poppler-utils are not installed");
        QCOMPARE(cli({"demo-data", "--patients", "1", "--sessions", "3", "--minutes", "1"}), 0);
        QImage logo(300, 200, QImage::Format_RGB32);
        logo.fill(Qt::darkCyan);
        QVERIFY(logo.save(dir.filePath("logo.png")));
    }

    void bothReportsReadBack()
    {
        QByteArray patients;
        QCOMPARE(cli({"patients"}, &patients), 0);
        const QString name = QString::fromUtf8(patients).split(QLatin1Char('\t')).value(1);
        const QStringList header{"--patient", "1", "--title", "Clínica del Sur", "--info", "Rehabilitación cardíaca",
                                 "--logo", dir.filePath("logo.png")};
        QCOMPARE(cli(QStringList{"report", "session", "--session", "1", dir.filePath("session.pdf")} + header), 0);
        QCOMPARE(cli(QStringList{"report", "summary", dir.filePath("summary.pdf")} + header), 0);

        for (const char *file : {"session.pdf", "summary.pdf"}) {
            const bool summary = qstrcmp(file, "summary.pdf") == 0;
            QByteArray info, text;
            QCOMPARE(run(tool("pdfinfo"), {dir.filePath(file)}, &info), 0);
            const int pages = QRegularExpression("Pages:\\s+(\\d+)").match(QString::fromUtf8(info)).captured(1).toInt();
            QVERIFY(pages >= (summary ? 3 : 1));
            QCOMPARE(run(tool("pdftotext"), {"-layout", dir.filePath(file), "-"}, &text), 0);
            const QString content = QString::fromUtf8(text);
            for (int page = 1; page <= pages; ++page)
                QVERIFY(content.contains(QStringLiteral("Pág. %1 de %2").arg(page).arg(pages)));
            QVERIFY(content.contains(name + (summary ? " - Informe general de TAVO"
                                                     : " - Informe de sesión de monitoreo TAVO")));
            QVERIFY(content.contains("Clínica del Sur"));
        }
    }

    void stripsKeepPaperScaleOnThePage()
    {
        // The first sheet at 10 pixels a millimetre; the first strip's paper
        // lies 157.75 mm from the top, 12.25 mm to 197 mm from the left.
        QCOMPARE(run(tool("pdftoppm"), {"-r", "254", "-gray", "-png", "-f", "1", "-l", "1", dir.filePath("session.pdf"),
                                        dir.filePath("page")}),
                 0);
        const QImage page(dir.filePath("page-1.png"));
        QVERIFY(!page.isNull());
        const int y = 1578 + 227;
        QVector<int> lines;
        bool inside = false;
        for (int x = 125; x < 1968; ++x) {
            const int v = qGray(page.pixel(x, y));
            const bool grid = v > 90 && v < 235;
            if (grid && !inside)
                lines << x;
            inside = grid;
        }
        int fiveMm = 0;
        for (int i = 1; i < lines.size(); ++i)
            fiveMm += qAbs(lines[i] - lines[i - 1] - 50) <= 1 ? 1 : 0;
        QVERIFY2(fiveMm >= 30, qPrintable(QString::number(fiveMm)));
    }

    void failuresExitWithOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::newRow("no such patient") << QStringList{"session", "--patient", "99", "--session", "1", "x.pdf"} << 1;
        QTest::newRow("no such session") << QStringList{"session", "--patient", "1", "--session", "99", "x.pdf"} << 1;
        QTest::newRow("folder missing") << QStringList{"summary", "--patient", "1", "/nonexistent/x.pdf"} << 1;
        QTest::newRow("unknown kind") << QStringList{"weekly", "--patient", "1", "x.pdf"} << 2;
        QTest::newRow("session number missing") << QStringList{"session", "--patient", "1", "x.pdf"} << 2;
        QTest::newRow("unreadable logo") << QStringList{"summary", "--patient", "1", "--logo", "no.png", "x.pdf"} << 2;
    }

    void failuresExitWithOneLine()
    {
        QFETCH(QStringList, arguments);
        QByteArray error;
        QTEST(cli(QStringList{"report"} + arguments, nullptr, &error), "code");
        QCOMPARE(error.count('\n'), 1);
    }

    void badNumbers_data()
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

    void badNumbers()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, option);
        QTemporaryDir dir;
        arguments.replaceInStrings(QRegularExpression("^(IN|OUT|ROOT)$"), dir.filePath("\\1"));
        QByteArray error;
        QCOMPARE(run(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments, nullptr, &error), 2);
        QCOMPARE(error.count('\n'), 1);
        QVERIFY2(error.contains(option.toUtf8()), error.constData());
    }
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
