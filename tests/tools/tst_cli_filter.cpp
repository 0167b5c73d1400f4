#include "dsp/tlivefilterchain.h"
#include "dsp/tlivesignal.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class TestCliFilter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void liveChainMatchesStation();
    void storedChainKeepsLength();
    void badArguments_data();
    void badArguments();

private:
    int run(const QStringList &arguments, QByteArray *error = nullptr);
    QString path(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray toBytes(const std::vector<qint16> &samples);
    static std::vector<qint16> fromBytes(const QByteArray &bytes);

    QTemporaryDir m_dir;
    std::vector<qint16> m_samples;
};

int TestCliFilter::run(const QStringList &arguments, QByteArray *error)
{
    QProcess process;
    process.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), QStringList{"filter"} + arguments);
    if (!process.waitForFinished(60000))
        return -1;
    if (error)
        *error = process.readAllStandardError();
    return process.exitCode();
}

QByteArray TestCliFilter::toBytes(const std::vector<qint16> &samples)
{
    QByteArray bytes;
    for (qint16 s : samples)
        bytes.append(char(s & 0xff)).append(char(quint16(s) >> 8));
    return bytes;
}

std::vector<qint16> TestCliFilter::fromBytes(const QByteArray &bytes)
{
    std::vector<qint16> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return samples;
}

void TestCliFilter::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (int i = 0; i < 3001; ++i)
        m_samples.push_back(qint16(800 * std::sin(2 * M_PI * 50 * i / 250.0) + 400 * std::sin(2 * M_PI * 3 * i / 250.0)));
    QFile file(path("in.raw"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(toBytes(m_samples) + QByteArray(1, '\x7f')); // a trailing half sample
}

void TestCliFilter::liveChainMatchesStation()
{
    QCOMPARE(run({"--chain", "live", "--notch", "--lowpass", path("in.raw"), path("live.raw")}), 0);
    QFile file(path("live.raw"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::vector<qint16> out = fromBytes(file.readAll());
    QCOMPARE(int(out.size()), 3001 - 74);

    // The same chain fed in the station's way, in this process.
    TLiveSignal input(1000, 100000, 1, 250);
    TLiveFilterChain chain(&input);
    chain.setNotchKind("50hz");
    chain.setLowpassKind("25hz");
    chain.configure(true, true, false);
    for (size_t i = 0; i < m_samples.size(); i += 10) {
        const qint16 *batch[] = {m_samples.data() + i};
        input.appendChannels(batch, int(std::min<size_t>(10, m_samples.size() - i)));
        chain.process();
    }
    for (int i = 0; i < int(out.size()); ++i)
        QCOMPARE(int(out[i]), chain.head()->sample(0, i));
}

void TestCliFilter::storedChainKeepsLength()
{
    QCOMPARE(run({"--chain", "stored", "--notch", path("in.raw"), path("stored.raw")}), 0);
    QFile file(path("stored.raw"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::vector<qint16> out = fromBytes(file.readAll());
    QCOMPARE(int(out.size()), 3001);
    // 50 Hz removed, 3 Hz kept, within the complete four-second blocks.
    int peak = 0;
    for (int i = 200; i < 800; ++i)
        peak = std::max(peak, std::abs(int(out[i])));
    QVERIFY(peak > 350 && peak < 450);
}

void TestCliFilter::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no chain") << QStringList{"IN", "OUT"} << "--chain";
    QTest::newRow("bad rate") << QStringList{"--chain", "live", "--rate", "fast", "IN", "OUT"} << "--rate";
    QTest::newRow("missing file") << QStringList{"--chain", "live", "MISSING", "OUT"} << "cannot read";
    QTest::newRow("one file") << QStringList{"--chain", "live", "IN"} << "missing";
    QTest::newRow("no recorded 60 Hz notch at 500")
        << QStringList{"--chain", "stored", "--rate", "500", "--notch", "--notch-kind", "60hz", "IN", "OUT"}
        << "pendiente - filtro no definido";
}

void TestCliFilter::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    arguments.replaceInStrings(QRegularExpression("^IN$"), path("in.raw"));
    arguments.replaceInStrings(QRegularExpression("^OUT$"), path("out.raw"));
    arguments.replaceInStrings(QRegularExpression("^MISSING$"), path("missing.raw"));
    QByteArray error;
    QCOMPARE(run(arguments, &error), 2);
    QCOMPARE(error.count('\n'), 1);
    QVERIFY2(error.contains(message.toUtf8()), error.constData());
}

QTEST_GUILESS_MAIN(TestCliFilter)
#include "tst_cli_filter.moc"
