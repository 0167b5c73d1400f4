#include "dsp/tbeatdetector.h"
#include "storage/demodata.h"
#include "storage/monitordatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestDemoData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void fillsCompleteSessions();
    void sameSeedSameFiles();
    void secondRunKeepsFirst();

private:
    static QByteArray digestOfFiles(const QString &root);
};

QByteArray TestDemoData::digestOfFiles(const QString &root)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString &name : QDir(root).entryList(QDir::Files)) {
        QFile f(QDir(root).filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        hash.addData(name.toUtf8());
        hash.addData(f.readAll());
    }
    return hash.result();
}

void TestDemoData::fillsCompleteSessions()
{
    QTemporaryDir dir;
    MonitorDatabase db(dir.path());
    DemoDataOptions options;
    options.patients = 3;
    options.sessions = 5;
    options.minutes = 2;
    options.seed = 7;
    const DemoDataResult result = fillDemoData(db, options);
    QCOMPARE(result.patients, 3);
    QCOMPARE(result.sessions, 15);

    int absent = 0;
    for (const PatientSummary &summary : db.listPatients()) {
        PatientRecord p;
        QVERIFY(db.loadPatient(summary.id, p));
        QVERIFY(p.birthDate.isValid() && !p.city.isEmpty() && !p.medication.isEmpty());
        const QList<SessionInfo> sessions = db.listSessions(summary.id);
        QCOMPARE(sessions.size(), 5);
        QCOMPARE(sessions.last().sessionNumber, 5);
        for (const SessionInfo &info : sessions) {
            auto s = db.openSession(summary.id, info.sessionNumber);
            QVERIFY(s);
            QVERIFY(s->recording());
            if (!s->presence) {
                ++absent;
                QVERIFY(s->hrTrend.isEmpty());
                QCOMPARE(s->recording()->sampleCount(), 0);
                continue;
            }
            QCOMPARE(s->tempTrend.size(), 120);
            QCOMPARE(s->recording()->sampleCount(), 120 * 250);
            QVERIFY(s->checkpoint(PhaseIntraExercise).sysBP > s->checkpoint(PhaseBasal).sysBP);
            bool printed = false;
            for (const SessionEvent &e : s->events)
                printed = printed || e.print;
            QVERIFY(printed);

            // The ECG's rate follows the trend: count the beats of the last minute.
            TBeatDetector detector;
            TFileSignal *rec = s->recording();
            int beats = 0;
            for (int i = 0; i < rec->sampleCount(); ++i)
                if (detector.feedStationSample(rec->sample(0, i)) >= 60 * 250)
                    ++beats;
            double meanRate = 0;
            for (int t = 60; t < 120; ++t)
                meanRate += s->hrTrend[t] / 60.0;
            QVERIFY2(std::abs(beats - meanRate) <= 0.1 * meanRate + 2,
                     qPrintable(QStringLiteral("%1 beats, trend %2").arg(beats).arg(meanRate)));
        }
    }
    QCOMPARE(absent, result.absentSessions);
}

void TestDemoData::sameSeedSameFiles()
{
    QTemporaryDir a, b;
    DemoDataOptions options;
    options.patients = 2;
    options.sessions = 2;
    options.minutes = 1;
    options.seed = 3;
    {
        MonitorDatabase db(a.path());
        fillDemoData(db, options);
    }
    {
        MonitorDatabase db(b.path());
        fillDemoData(db, options);
    }
    QCOMPARE(QDir(a.path()).entryList(QDir::Files).size(), 8);
    QCOMPARE(digestOfFiles(a.path()), digestOfFiles(b.path()));
}

void TestDemoData::secondRunKeepsFirst()
{
    QTemporaryDir dir;
    MonitorDatabase db(dir.path());
    DemoDataOptions options;
    options.patients = 1;
    options.sessions = 2;
    options.minutes = 1;
    fillDemoData(db, options);
    QMap<QString, QByteArray> first;
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files)) {
        QFile f(QDir(dir.path()).filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        first.insert(name, f.readAll());
    }
    // The same seed again: same names and start times, so the new sessions
    // must go to other files and leave the first ones as they were.
    fillDemoData(db, options);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 8);
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        QFile f(QDir(dir.path()).filePath(it.key()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), it.value());
    }
    QVERIFY(db.openSession(2, 2));
}

QTEST_GUILESS_MAIN(TestDemoData)
#include "tst_demodata.moc"
