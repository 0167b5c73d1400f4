// The session's ST trend in the study file: written and read back, absent
// from files of sessions without it, and damaged values left out.

#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/studyfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

class TestStStudy : public QObject
{
    Q_OBJECT

private slots:
    void roundTripWithAndWithoutTheTrend()
    {
        QTemporaryDir dir;
        MonitorSession session(SessionData{});
        session.hrTrend = {70, 72, 75};
        session.stTrend.analysed = true;
        session.stTrend.pointMs = 80;
        session.stTrend.hasReference = true;
        session.stTrend.referenceUv = -12.5;
        session.stTrend.referenceTimeS = 61.2;
        session.stTrend.trend = {{10.0, -10.0}, {20.0, -14.5}, {30.0, -130.0}};
        writeStudyFile(session, PatientRecord(), dir.filePath("a.nvstudy"));
        QJsonDocument document;
        QVERIFY(readStudyFile(dir.filePath("a.nvstudy"), document));
        const std::unique_ptr<MonitorSession> read = sessionFromStudy(document.object(), 1, 1);
        QVERIFY(read->stTrend == session.stTrend);
        QVERIFY(read->hrTrend == session.hrTrend);
        // The largest change keeps its sign: the summary's history shows it.
        double change = 0.0;
        QVERIFY(read->stTrend.largestChange(change));
        QCOMPARE(change, -117.5);

        // Analysed before a reference could be taken: no reference keys.
        session.stTrend.hasReference = false;
        QJsonObject json = studyJson(session, PatientRecord());
        const QJsonObject st = json.value("results").toObject().value("stTrend").toObject();
        QVERIFY(!st.contains("referenceUv") && st.value("points").toArray().size() == 3);
        QVERIFY(!sessionFromStudy(json, 1, 1)->stTrend.hasReference);
        QVERIFY(!sessionFromStudy(json, 1, 1)->stTrend.largestChange(change));

        // A session without the trend writes no key and reads as not analysed.
        const QJsonObject old = studyJson(MonitorSession(SessionData{}), PatientRecord());
        QVERIFY(!old.value("results").toObject().contains("stTrend"));
        QVERIFY(!sessionFromStudy(old, 1, 1)->stTrend.analysed);
    }

    void damagedValuesAreLeftOut()
    {
        const StSessionData d = StSessionData::fromJson(QJsonObject{
            {"pointMs", 300},
            {"referenceUv", "low"},
            {"points", QJsonArray{QJsonArray{10, -5}, QJsonArray{20}, "x", QJsonArray{30, "y"}, QJsonArray{40, 8}}}});
        QVERIFY(d.analysed);
        QCOMPARE(d.pointMs, 60);
        QVERIFY(!d.hasReference);
        QCOMPARE(d.trend.size(), 2);
        QCOMPARE(d.trend[1].stUv, 8.0);
        QVERIFY(!StSessionData::fromJson(QJsonValue(3)).analysed);
    }
};

QTEST_GUILESS_MAIN(TestStStudy)
#include "tst_ststudy.moc"
