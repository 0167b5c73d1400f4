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
        QFile cut(dir.filePath("vf.dat"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(samples) == samples.size());
        cut.close();
        QByteArray out;
        QCOMPARE(cli({"monitor", "--replay", cut.fileName(), "--fast", "--root", dir.filePath("vf")}, &out), 0);
        const QRegularExpressionMatch onset = QRegularExpression("^(\\d\\d:\\d\\d.\\d) ONSET high ventricularFibrillation VF$",
                                                                 QRegularExpression::MultilineOption).match(QString::fromUtf8(out));
        QVERIFY2(onset.hasMatch(), out.constData());
        const double delay = seconds(onset.captured(1)) - 45.7;
        qInfo("ventricular fibrillation alarm %.1f s after the flutter's onset", delay);
        QVERIFY2(delay > 0.0 && delay <= 10.0, out.constData());
    }

    void noisyWalkingRecord()
    {
        // Record 118 (sinus rhythm, isolated ventricular beats) with recorded
        // electrode-motion noise as strong as its QRS complexes from 30 s on:
        // never VT, VF or a couplet; and replaying the file again gives the
        // same alarm lines, however busy the machine.
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb118"), 120);
        REQUIRE_REFERENCE_DATA(record);
        const QByteArray &ecg = record.bytes;
        const QByteArray noise = packedRecording("noise/noise.tar.xz", "em1.dat", 300, 120);
        if (ecg.size() < 2 * 120 * 250 || noise.size() < 2 * 120 * 250)
            QSKIP("the reference records or the recorded noise are not available");
        std::vector<qint16> samples(size_t(ecg.size() / 2));
        const auto *clean = reinterpret_cast<const qint16 *>(ecg.constData());
        const auto *motion = reinterpret_cast<const qint16 *>(noise.constData());
        double noiseMean = 0, noiseSquares = 0;
        for (size_t n = 0; n < samples.size(); ++n)
            noiseMean += motion[n];
        noiseMean /= double(samples.size());
        for (size_t n = 0; n < samples.size(); ++n)
            noiseSquares += (motion[n] - noiseMean) * (motion[n] - noiseMean);
        // Noise power equal to the QRS complexes' (A^2 / 8, A = 2.7 mV or 116 counts).
        const double gain = std::sqrt(116.0 * 116.0 / 8.0 / (noiseSquares / double(samples.size())));
        for (size_t n = 0; n < samples.size(); ++n)
            samples[n] = qint16(clean[n] + (n >= 30 * 250 ? std::lround(gain * (motion[n] - noiseMean)) : 0));
        QFile cut(dir.filePath("walking.dat"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(reinterpret_cast<const char *>(samples.data()), qint64(samples.size() * 2));
        cut.close();
        QByteArray first, second;
        QCOMPARE(cli({"monitor", "--replay", cut.fileName(), "--fast", "--root", dir.filePath("walk1")}, &first), 0);
        QCOMPARE(cli({"monitor", "--replay", cut.fileName(), "--fast", "--root", dir.filePath("walk2")}, &second), 0);
        const auto alarmLines = [](const QByteArray &out) {
            return QString::fromUtf8(out).split('\n').filter(QRegularExpression("^\\d\\d:\\d\\d.\\d "));
        };
        const QStringList lines = alarmLines(first);
        QCOMPARE(alarmLines(second), lines);
        QVERIFY2(lines.filter(QRegularExpression("ventricularTachycardia|ventricularFibrillation|couplet")).isEmpty(),
                 first.constData());
    }

    void atrialFibrillationOfARecord()
    {
        // Record 201 opens with six minutes of atrial fibrillation: replayed
        // for two, the AF alarm must come within a minute and the study file
        // must hold the rhythm as AF for most of it.
        const QString data = QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/mitdb201.dat.xz");
        if (!QFile::exists(data) || QStandardPaths::findExecutable("xz").isEmpty())
            QSKIP("reference ectopy records not available");
        QProcess xz;
        xz.start(QStringLiteral("xz"), {"-dc", data});
        QVERIFY(xz.waitForFinished(60000) && xz.exitCode() == 0);
        QFile cut(dir.filePath("af.dat"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && cut.write(xz.readAllStandardOutput().left(2 * 120 * 250)) == 2 * 120 * 250);
        cut.close();
        QByteArray out;
        QCOMPARE(cli({"monitor", "--replay", cut.fileName(), "--fast", "--root", dir.filePath("af")}, &out), 0);
        const QRegularExpressionMatch onset = QRegularExpression("^(\\d\\d:\\d\\d.\\d) ONSET medium atrialFibrillation AF$",
                                                                 QRegularExpression::MultilineOption).match(QString::fromUtf8(out));
        QVERIFY2(onset.hasMatch(), out.constData());
        qInfo("atrial fibrillation alarm %.1f s after the start", seconds(onset.captured(1)));
        QVERIFY(seconds(onset.captured(1)) <= 60.0);

        const QString study = QRegularExpression("study=(.*)").match(QString::fromUtf8(out)).captured(1).trimmed();
        QByteArray dump;
        QCOMPARE(cli({"study", "dump", study}, &dump), 0);
        double af = 0.0, end = 0.0;
        for (const QJsonValue &v : QJsonDocument::fromJson(dump).object().value("rhythm").toObject().value("episodes").toArray()) {
            const QJsonObject e = v.toObject();
            QVERIFY(e.value("start").toDouble() >= end - 1e-9);   // in order, not overlapping
            end = e.value("end").toDouble();
            if (e.value("label").toString() == QLatin1String("AF"))
                af += end - e.value("start").toDouble();
        }
        QVERIFY2(af > 100.0 && end >= 119.0, dump.constData());
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
