// The companion end to end: recordings with a frozen stretch, with a pause
// of low noise and with a run of ventricular tachycardia replayed fast through
// the alarm system, the alarm lines it prints and the alarm log and PVC trend
// of the study file it leaves; the alarm sounds it writes.

#include "../common/referencerecord.h"

#include "alarms/alarmsound.h"
#include "dsp/tsyntheticecg.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <cmath>
#include <random>

class TestAlarmReplay : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    int cli(const QStringList &arguments, QByteArray *out = nullptr)
    {
        QProcess process;
        // The user's settings stay out of it: every alarm setting has its default.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
        if (!process.waitForFinished(120000))
            return -1;
        if (out)
            *out = process.readAllStandardOutput();
        return process.exitCode();
    }

    // About 29 s of ECG at 70 bpm, 6 s of `stretch` around the level the ECG
    // left off at, 10 s of ECG; the time of the last beat before the stretch.
    double writeRecording(const QString &path, const std::function<int(int)> &stretch)
    {
        TSyntheticEcg ecg;
        std::vector<qint16> samples = ecg.generate(std::vector<double>(30, 70.0));
        // Cut after a T wave: a P wave left alone is a beat to the detector.
        const int lastBeat = ecg.beatPositions()[ecg.beatPositions().size() - 2];
        samples.resize(size_t(lastBeat + 125));
        const int level = samples.back();
        for (int i = 0; i < 6 * 250; ++i)
            samples.push_back(qint16(level + stretch(i)));
        const std::vector<qint16> tail = ecg.generate(std::vector<double>(10, 70.0));
        samples.insert(samples.end(), tail.begin(), tail.end());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char *>(samples.data()), qint64(samples.size() * 2));
        return lastBeat / 250.0;
    }

    static double seconds(const QString &mmss)
    {
        return mmss.section(':', 0, 0).toInt() * 60 + mmss.section(':', 1).toDouble();
    }

private slots:
    void frozenStretchIsCheckElectrodes()
    {
        // Frozen off the ECG's own baseline, so that it starts with the stretch.
        const double lastBeat = writeRecording(dir.filePath("flat.dat"), [](int) { return 3; });
        QByteArray out;
        QCOMPARE(cli({"monitor", "--replay", dir.filePath("flat.dat"), "--fast", "--root", dir.filePath("flat")}, &out), 0);
        const QStringList lines = QString::fromUtf8(out).split('\n').filter(QRegularExpression("^\\d\\d:"));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].endsWith("ONSET medium checkElectrodes Check electrodes") && lines[1].contains("END medium checkElectrodes"),
                 out.constData());
        // 4 s after the trace froze, ended 2 s after it came alive.
        const double frozen = lastBeat + 0.5;
        QVERIFY(qAbs(seconds(lines[0].left(7)) - frozen - 4.0) <= 0.1 && qAbs(seconds(lines[1].left(7)) - frozen - 8.0) <= 0.1);
    }

    void lowNoisePauseIsAsystoleInTheStudyFile()
    {
        // Band-limited noise of about 50 uV, as electrodes on a still body
        // give: enough for the detector, relearning, to call a few peaks beats.
        std::mt19937 random(7);
        std::normal_distribution<double> gauss(0.0, 2.0);
        std::array<double, 5> taps{};
        const double lastBeat = writeRecording(dir.filePath("pause.dat"), [&](int i) {
            taps[size_t(i % 5)] = gauss(random);
            return int(std::lround((taps[0] + taps[1] + taps[2] + taps[3] + taps[4]) / std::sqrt(5.0)));
        });
        QByteArray out;
        QCOMPARE(cli({"monitor", "--replay", dir.filePath("pause.dat"), "--fast", "--root", dir.filePath("pause")}, &out), 0);
        const QStringList lines = QString::fromUtf8(out).split('\n').filter(QRegularExpression("^\\d\\d:"));
        QVERIFY2(lines.size() == 2 && lines[0].endsWith("ONSET high asystole ASYSTOLE") && lines[1].contains("END high asystole"),
                 out.constData());
        const double onset = seconds(lines[0].left(7));
        QVERIFY2(onset > lastBeat + 4.0 && onset <= lastBeat + 5.0, qPrintable(QString::number(onset - lastBeat)));

        const QString study = QRegularExpression("study=(.*)").match(QString::fromUtf8(out)).captured(1).trimmed();
        QByteArray dump;
        QCOMPARE(cli({"study", "dump", study}, &dump), 0);
        const QJsonArray alarms = QJsonDocument::fromJson(dump).object().value("alarms").toArray();
        QCOMPARE(alarms.size(), 2);
        const QJsonObject first = alarms[0].toObject();
        QCOMPARE(first.value("kind").toString(), QStringLiteral("onset"));
        QCOMPARE(first.value("condition").toString(), QStringLiteral("asystole"));
        QCOMPARE(first.value("timeOffset").toDouble(), onset);
    }

    void ventricularTachycardiaOfARecord()
    {
        // Record 205 has a run of 8 ventricular beats at about 180 bpm from
        // sample 74743, its third beat at 74897: replayed from 50 s before
        // it, the high-priority alarm must come within 2 s of that beat.
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb205"));
        REQUIRE_REFERENCE_DATA(record);
        constexpr int From = 74743 - 50 * 250;
        QFile cut(dir.filePath("vt.dat"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(record.bytes.mid(2 * From, 2 * 70 * 250)) == 2 * 70 * 250);
        cut.close();
        QByteArray out;
        QCOMPARE(cli({"monitor", "--replay", cut.fileName(), "--fast", "--root", dir.filePath("vt")}, &out), 0);
        const QString text = QString::fromUtf8(out);
        const QRegularExpressionMatch onset = QRegularExpression("^(\\d\\d:\\d\\d.\\d) ONSET high ventricularTachycardia VT \\d+ beats \\d+ bpm$",
                                                                 QRegularExpression::MultilineOption).match(text);
        QVERIFY2(onset.hasMatch(), out.constData());
        const double delay = seconds(onset.captured(1)) - (74897 - From) / 250.0;
        qInfo("ventricular tachycardia alarm %.1f s after the run's third beat", delay);
        QVERIFY(delay > 0.0 && delay <= 2.0);

        QVERIFY2(QRegularExpression("pvcTotal=(\\d+)").match(text).captured(1).toInt() >= 8, out.constData());
    }

    void alarmSoundFiles()
    {
        QCOMPARE(cli({"alarm-sound", "--priority", "medium", dir.filePath("medium.wav")}), 0);
        QFile file(dir.filePath("medium.wav"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == AlarmSound::wavFile(AlarmSound::waveform(AlarmPriority::Medium)));
        QCOMPARE(cli({"alarm-sound", "--priority", "loud", dir.filePath("x.wav")}), 2);
    }
};

QTEST_GUILESS_MAIN(TestAlarmReplay)
#include "tst_alarmreplay.moc"
