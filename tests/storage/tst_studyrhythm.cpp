// The rhythm episodes of a session through its study JSON: kept as written,
// absent for sessions never judged, and damaged entries left out; and the
// AF onsets and ends among the session's EDF+ annotations.

#include "storage/edfannotations.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/studyfile.h"

#include <QJsonArray>
#include <QtTest>

class TestStudyRhythm : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip()
    {
        MonitorSession session{SessionData{}};
        session.rhythmAnalysed = true;
        session.rhythmEpisodes = {{0, 2500, RhythmLabel::Other},
                                  {2500, 40125, RhythmLabel::AtrialFibrillation},
                                  {40125, 41000, RhythmLabel::Unanalysable}};
        const QJsonObject json = studyJson(session, PatientRecord());
        const QJsonArray episodes = json.value("rhythm").toObject().value("episodes").toArray();
        QCOMPARE(episodes.size(), 3);
        QCOMPARE(episodes[1].toObject().value("start").toDouble(), 10.0);
        QCOMPARE(episodes[1].toObject().value("end").toDouble(), 160.5);
        QCOMPARE(episodes[1].toObject().value("label").toString(), QStringLiteral("AF"));

        const auto read = sessionFromStudy(json, 1, 1);
        QVERIFY(read->rhythmAnalysed);
        QVERIFY(read->rhythmEpisodes == session.rhythmEpisodes);

        // Judged without any episode yet (a session stopped at once) is still judged.
        session.rhythmEpisodes.clear();
        const QJsonObject empty = studyJson(session, PatientRecord());
        QVERIFY(empty.contains("rhythm"));
        QVERIFY(sessionFromStudy(empty, 1, 1)->rhythmAnalysed);
        // Never judged: no key, and read back as not judged.
        const QJsonObject old = studyJson(MonitorSession(SessionData{}), PatientRecord());
        QVERIFY(!old.contains("rhythm"));
        QVERIFY(!sessionFromStudy(old, 1, 1)->rhythmAnalysed);
    }

    void damagedEntries()
    {
        QJsonObject study = studyJson(MonitorSession(SessionData{}), PatientRecord());
        const QJsonArray episodes{
            QJsonObject{{"start", 0.0}, {"end", 5.0}, {"label", "SR"}},
            QJsonObject{{"start", 5.0}, {"end", 4.0}, {"label", "AF"}},     // ends before it starts
            QJsonObject{{"start", 5.0}, {"end", 9.0}, {"label", "VF"}},     // unknown label
            QJsonObject{{"start", "x"}, {"end", 9.0}, {"label", "AF"}},
            QJsonObject{{"start", 5.0}, {"end", 9.0}, {"label", "AF"}},
            7};
        study.insert("rhythm", QJsonObject{{"episodes", episodes}});
        const auto read = sessionFromStudy(study, 1, 1);
        QVERIFY(read->rhythmAnalysed);
        QCOMPARE(read->rhythmEpisodes.size(), 2);
        QCOMPARE(read->rhythmEpisodes[1].label, RhythmLabel::AtrialFibrillation);
        QCOMPARE(read->rhythmEpisodes[1].start, qint64(1250));
        study.insert("rhythm", 3);   // not an object: not judged
        QVERIFY(!sessionFromStudy(study, 1, 1)->rhythmAnalysed);
    }

    // Neighbouring AF episodes (monitoring restarted in between) make one
    // stretch; each stretch gives its onset and end, in time order among the
    // session's other annotations.
    void edfAnnotations()
    {
        MonitorSession session{SessionData{}};
        session.rhythmAnalysed = true;
        session.rhythmEpisodes = {{0, 2500, RhythmLabel::Other},
                                  {2500, 5000, RhythmLabel::AtrialFibrillation},
                                  {5000, 7500, RhythmLabel::AtrialFibrillation},
                                  {7500, 10000, RhythmLabel::Unanalysable},
                                  {10000, 12500, RhythmLabel::AtrialFibrillation}};
        session.events = {{25, "Warm-up", false}};
        QStringList texts;
        for (const EdfAnnotation &a : sessionAnnotations(session))
            texts << QStringLiteral("%1 %2").arg(a.onset).arg(a.text);
        QCOMPARE(texts, (QStringList{"10 AF onset", "25 Warm-up", "30 AF end", "40 AF onset", "50 AF end"}));
        QVERIFY(rhythmAnnotations({}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStudyRhythm)
#include "tst_studyrhythm.moc"
