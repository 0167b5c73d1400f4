// Demonstration data: complete patients and believable sessions, the same
// files for the same seed, and a second run that leaves the first alone.

#include "../common/teststorage.h"

#include "dsp/tbeatdetector.h"
#include "storage/demodata.h"

#include <QCryptographicHash>
#include <QtTest>

#include <algorithm>

namespace {

QMap<QString, QByteArray> filesOf(const QString &root)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(root).entryList(QDir::Files))
        files.insert(name, QCryptographicHash::hash(readFile(root + "/" + name), QCryptographicHash::Sha1));
    return files;
}

int maximum(const QVector<int> &trend, int from, int to)
{
    return *std::max_element(trend.begin() + from, trend.begin() + to);
}

} // namespace

class TestDemoData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void completePatientsAndBelievableSessions()
    {
        TestStorage storage;
        DemoDataOptions options;
        options.patients = 2;
        options.sessions = 5;
        options.minutes = 2;
        options.seed = 7;
        const DemoDataResult result = fillDemoData(*storage.database, options);
        QVERIFY(result.patients == 2 && result.sessions == 10);
        int absent = 0;
        for (const PatientSummary &summary : storage->listPatients()) {
            PatientRecord p;
            QVERIFY(storage->loadPatient(summary.id, p));
            const QJsonObject json = p.toJson();
            for (auto it = json.begin(); it != json.end(); ++it)
                QVERIFY2(!it.value().toString().isEmpty(), qPrintable(it.key()));
            QVERIFY(p.uuid.version() == QUuid::Random && p.uuid.variant() == QUuid::DCE);
            QVERIFY(p.birthDate.year() >= 1940 && p.birthDate.year() <= 1975);
            const QList<SessionInfo> sessions = storage->listSessions(summary.id);
            QVERIFY(sessions.size() == 5 && sessions.first().presence);
            for (int n = 1; n < 5; ++n) {
                const qint64 days = sessions[n - 1].startDateTime.daysTo(sessions[n].startDateTime);
                QVERIFY(days == 2 || days == 3);
            }
            for (const SessionInfo &info : sessions) {
                auto s = storage->openSession(summary.id, info.sessionNumber);
                QVERIFY(s && s->recording());
                QVERIFY(s->height >= 152 && s->height <= 188 && s->weight > 40 && s->abdomen > s->weight);
                if (!s->presence) {
                    ++absent;
                    QVERIFY(s->hrTrend.isEmpty() && s->events.isEmpty() && s->recording()->sampleCount() == 0);
                    continue;
                }
                QVERIFY(s->borgRPE >= 9 && s->borgRPE <= 15 && !s->symptoms.isEmpty() && !s->conclusion.isEmpty());
                QVERIFY(s->hrTrend.size() == 120 && s->tempTrend.size() == 120 && s->recording()->sampleCount() == 120 * 250);
                for (int t = 0; t < 120; ++t) {
                    QVERIFY(s->spo2Trend[t] == 0 || (s->spo2Trend[t] >= 93 && s->spo2Trend[t] <= 99));
                    const double temperature = s->tempTrend[t];
                    QVERIFY((temperature == 0.0 || (temperature >= 35.9 && temperature <= 37.3))
                            && std::abs(temperature * 10 - std::round(temperature * 10)) < 1e-6);
                }
                // Rest, a ramp up to the exercise plateau (never beyond it), recovery.
                const int rest = maximum(s->hrTrend, 0, 18), plateau = maximum(s->hrTrend, 42, 96);
                QVERIFY2(plateau >= rest + 15, qPrintable(QStringLiteral("%1 %2").arg(rest).arg(plateau)));
                QVERIFY(maximum(s->hrTrend, 18, 42) <= plateau + 4);
                QVERIFY(s->hrTrend.last() < plateau - 5 && s->hrTrend.last() > rest);

                // A printed "BP" event at each checkpoint, events in time order,
                // and the stop at the end.
                QStringList printed;
                for (int k = 0; k < s->events.size(); ++k) {
                    QVERIFY(k == 0 || s->events[k - 1].timeOffset <= s->events[k].timeOffset);
                    if (s->events[k].description.startsWith("BP "))
                        printed << QStringLiteral("%1 %2").arg(s->events[k].timeOffset).arg(s->events[k].description);
                }
                QStringList expected;
                for (int phase : {PhaseBasal, PhaseIntraExercise, PhasePostExercise}) {
                    const Checkpoint c = s->checkpoint(phase);
                    expected << QStringLiteral("%1 BP %2/%3").arg(c.timeOffset).arg(c.sysBP).arg(c.diaBP);
                    QCOMPARE(c.heartRate, s->hrTrend[int(c.timeOffset)]);
                }
                QCOMPARE(printed, expected);
                const int intra = s->checkpoint(PhaseIntraExercise).sysBP;
                QVERIFY(intra > s->checkpoint(PhaseBasal).sysBP && intra > s->checkpoint(PhasePostExercise).sysBP);
                QVERIFY(s->events.last().description == QStringLiteral("Stop monitoring") && s->events.last().timeOffset == 120);

                // The ECG's rate follows the trend: the beats of the last minute.
                TBeatDetector detector;
                int beats = 0;
                for (int i = 0; i < s->recording()->sampleCount(); ++i)
                    beats += detector.feedStationSample(s->recording()->sample(0, i)) >= 60 * 250;
                double meanRate = 0;
                for (int t = 60; t < 120; ++t)
                    meanRate += s->hrTrend[t] / 60.0;
                QVERIFY2(std::abs(beats - meanRate) <= 0.1 * meanRate + 2, qPrintable(QString::number(beats)));
            }
        }
        QCOMPARE(absent, result.absentSessions);
    }

    void sameSeedSameFilesAndNothingOverwritten()
    {
        DemoDataOptions options;
        options.patients = 2;
        options.sessions = 2;
        options.minutes = 1;
        options.seed = 3;
        QMap<QString, QByteArray> first;
        {
            TestStorage storage;
            fillDemoData(*storage.database, options);
            first = filesOf(storage.root());
        }
        TestStorage storage;
        fillDemoData(*storage.database, options);
        QVERIFY(filesOf(storage.root()) == first && first.size() == 8);
        // Run again on the same root: the same names and times, so the new
        // sessions go to other files and the first ones stay as they were.
        fillDemoData(*storage.database, options);
        const QMap<QString, QByteArray> both = filesOf(storage.root());
        QCOMPARE(both.size(), 16);
        for (auto it = first.cbegin(); it != first.cend(); ++it)
            QCOMPARE(both.value(it.key()), it.value());
        QVERIFY(storage->openSession(3, 2));
    }
};

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
