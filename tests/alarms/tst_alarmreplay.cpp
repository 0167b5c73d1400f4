// The companion end to end: recordings with a pause of low noise, with a run
// of ventricular tachycardia and with fibrillation replayed fast through the
// alarm system, the alarm lines it prints and the alarm log and PVC trend
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
    static QByteArray recording(const std::function<int(int)> &stretch, double &lastBeat)
    {
        TSyntheticEcg ecg;
        std::vector<qint16> samples = ecg.generate(std::vector<double>(30, 70.0));
        // Cut after a T wave: a P wave left alone is a beat to the detector.
        const int last = ecg.beatPositions()[ecg.beatPositions().size() - 2];
        samples.resize(size_t(last + 125));
        const int level = samples.back();
        for (int i = 0; i < 6 * 250; ++i)
            samples.push_back(qint16(level + stretch(i)));
        const std::vector<qint16> tail = ecg.generate(std::vector<double>(10, 70.0));
        samples.insert(samples.end(), tail.begin(), tail.end());
        lastBeat = last / 250.0;
        return QByteArray(reinterpret_cast<const char *>(samples.data()), int(samples.size() * 2));
    }

    // The samples written to `name`.dat and replayed fast into a root of their
    // own; what the companion printed, or nothing when it failed.
    QString replay(const QString &name, const QByteArray &samples)
    {
        QFile file(dir.filePath(name + ".dat"));
        if (!file.open(QIODevice::WriteOnly) || file.write(samples) != samples.size())
            return QString();
        file.close();
        QByteArray out;
        return cli({"monitor", "--replay", file.fileName(), "--fast", "--root", dir.filePath(name)}, &out) == 0
            ? QString::fromUtf8(out) : QString();
    }

    static QStringList alarmLines(const QString &out)
    {
        return out.split('\n').filter(QRegularExpression("^\\d\\d:\\d\\d.\\d "));
    }

    // The time of the first line "mm:ss.s ONSET <rest>", -1 when there is none.
    static double onset(const QString &out, const QString &rest)
    {
        const QRegularExpressionMatch m = QRegularExpression("^(\\d\\d:\\d\\d.\\d) ONSET " + rest + "$",
                                                             QRegularExpression::MultilineOption).match(out);
        return m.hasMatch() ? seconds(m.captured(1)) : -1.0;
    }

    // The study file the replay left, as `study dump` gives it.
    QJsonObject study(const QString &out)
    {
        QByteArray dump;
        cli({"study", "dump", QRegularExpression("study=(.*)").match(out).captured(1).trimmed()}, &dump);
        return QJsonDocument::fromJson(dump).object();
    }

    static double seconds(const QString &mmss)
    {
        return mmss.section(':', 0, 0).toInt() * 60 + mmss.section(':', 1).toDouble();
    }

private slots:
    void lowNoisePauseIsAsystoleInTheStudyFile()
    {
        // Band-limited noise of about 50 uV, as electrodes on a still body
        // give: enough for the detector, relearning, to call a few peaks beats.
        std::mt19937 random(7);
        std::normal_distribution<double> gauss(0.0, 2.0);
        std::array<double, 5> taps{};
        double lastBeat = 0;
        const QString out = replay("pause", recording([&](int i) {
            taps[size_t(i % 5)] = gauss(random);
            return int(std::lround((taps[0] + taps[1] + taps[2] + taps[3] + taps[4]) / std::sqrt(5.0)));
        }, lastBeat));
        const QStringList lines = alarmLines(out);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[1].contains("END high asystole"), qPrintable(out));
        const double at = onset(out, "high asystole ASYSTOLE");
        QVERIFY2(at > lastBeat + 4.0 && at <= lastBeat + 5.0, qPrintable(QString::number(at - lastBeat)));

        const QJsonArray alarms = study(out).value("alarms").toArray();
        QCOMPARE(alarms.size(), 2);
        QCOMPARE(alarms[0].toObject().value("kind").toString(), QStringLiteral("onset"));
        QCOMPARE(alarms[0].toObject().value("condition").toString(), QStringLiteral("asystole"));
        QCOMPARE(alarms[0].toObject().value("timeOffset").toDouble(), at);
    }

    void ventricularTachycardiaOfARecord()
    {
        // Record 205 has a run of 8 ventricular beats at about 180 bpm from
        // sample 74743, its third beat at 74897: replayed from 50 s before
        // it, the high-priority alarm must come within 2 s of that beat.
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb205"));
        REQUIRE_REFERENCE_DATA(record);
        constexpr int From = 74743 - 50 * 250;
        const QString out = replay("vt", record.bytes.mid(2 * From, 2 * 70 * 250));
        const double delay = onset(out, "high ventricularTachycardia VT \\d+ beats \\d+ bpm") - (74897 - From) / 250.0;
        qInfo("ventricular tachycardia alarm %.1f s after the run's third beat", delay);
        QVERIFY2(delay > 0.0 && delay <= 2.0, qPrintable(out));
        QVERIFY2(QRegularExpression("pvcTotal=(\\d+)").match(out).captured(1).toInt() >= 8, qPrintable(out));
    }

    // One file of a packed folder of recordings, `seconds` of it from `from`
    // (station samples); empty when the data or tar is absent.
    static QByteArray packedRecording(const QString &archive, const QString &member, int from, int seconds)
    {
        const QString path = QStringLiteral(CARDIOLANE_SHARED_DATA "/alarms/") + archive;
        if (!QFile::exists(path) || QStandardPaths::findExecutable("tar").isEmpty()
            || QStandardPaths::findExecutable("xz").isEmpty())
            return QByteArray();
        QProcess tar;
        tar.start(QStringLiteral("tar"), {"-xJOf", path, member});
        if (!tar.waitForFinished(120000) || tar.exitCode() != 0)
            return QByteArray();
        return tar.readAllStandardOutput().mid(2 * from * 250, 2 * seconds * 250);
    }

    void fibrillationOfARecord()
    {
        // Record 426 fibrillates from 645.7 s on after ten minutes of sinus
        // rhythm: replayed from 45.7 s before, VF must come within 10 s of the
        // onset and not before it.
        const QByteArray samples = packedRecording("vf/records.tar.xz", "426.dat", 600, 80);
        if (samples.isEmpty())
            QSKIP("the ventricular arrhythmia recordings are not available");
        const QString out = replay("vf", samples);
        const double delay = onset(out, "high ventricularFibrillation VF") - 45.7;
        qInfo("ventricular fibrillation alarm %.1f s after the flutter's onset", delay);
        QVERIFY2(delay > 0.0 && delay <= 10.0, qPrintable(out));
    }

    void noisyWalkingRecord()
    {
        // Record 118 (sinus rhythm, isolated ventricular beats) with recorded
        // electrode-motion noise as strong as its QRS complexes from 30 s on:
        // never VT, VF or a couplet; and replaying the file again gives the
        // same alarm lines, however busy the machine.
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb118"), 120);
        REQUIRE_REFERENCE_DATA(record);
        const QByteArray noise = packedRecording("noise/noise.tar.xz", "em1.dat", 300, 120);
        if (record.bytes.size() < 2 * 120 * 250 || noise.size() < 2 * 120 * 250)
            QSKIP("the reference records or the recorded noise are not available");
        QByteArray walking = record.bytes;
        auto *samples = reinterpret_cast<qint16 *>(walking.data());
        const auto *motion = reinterpret_cast<const qint16 *>(noise.constData());
        const int n = walking.size() / 2;
        double mean = 0, squares = 0;
        for (int i = 0; i < n; ++i)
            mean += motion[i] / double(n);
        for (int i = 0; i < n; ++i)
            squares += (motion[i] - mean) * (motion[i] - mean);
        // Noise power equal to the QRS complexes' (A^2 / 8, A = 2.7 mV or 116 counts).
        const double gain = std::sqrt(116.0 * 116.0 / 8.0 / (squares / n));
        for (int i = 30 * 250; i < n; ++i)
            samples[i] = qint16(samples[i] + std::lround(gain * (motion[i] - mean)));
        const QString first = replay("walk1", walking);
        const QStringList lines = alarmLines(first);
        QCOMPARE(alarmLines(replay("walk2", walking)), lines);
        QVERIFY2(lines.filter(QRegularExpression("ventricularTachycardia|ventricularFibrillation|couplet")).isEmpty(),
                 qPrintable(first));
    }

    void atrialFibrillationOfARecord()
    {
        // Record 201 opens with six minutes of atrial fibrillation: replayed
        // for two, the AF alarm must come within a minute and the study file
        // must hold the rhythm as AF for most of it.
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb201"), 120);
        REQUIRE_REFERENCE_DATA(record);
        const QString out = replay("af", record.bytes);
        const double at = onset(out, "medium atrialFibrillation AF");
        qInfo("atrial fibrillation alarm %.1f s after the start", at);
        QVERIFY2(at >= 0.0 && at <= 60.0, qPrintable(out));

        double af = 0.0, end = 0.0;
        for (const QJsonValue &v : study(out).value("rhythm").toObject().value("episodes").toArray()) {
            const QJsonObject e = v.toObject();
            QVERIFY(e.value("start").toDouble() >= end - 1e-9);   // in order, not overlapping
            end = e.value("end").toDouble();
            if (e.value("label").toString() == QLatin1String("AF"))
                af += end - e.value("start").toDouble();
        }
        QVERIFY2(af > 100.0, qPrintable(QString::number(af)));
        QVERIFY2(end >= 119.0, qPrintable(QString::number(end)));
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
