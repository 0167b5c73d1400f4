// The ST alarm and the ST readout of a monitored patient: drawn beats whose
// ST segment falls by 0.15 mV for a while go through the recorder and the
// alarm monitor on a test clock, as a live patient's do.

#include "../common/alarmrig.h"
#include "../common/stbeats.h"

#include "alarms/alarmsettings.h"

#include <cmath>
#include <QtTest>

namespace {

// Flat for 150 s, 0.15 mV lower from 150 s to 300 s, flat again.
std::vector<qint16> depressionEpisode(int seconds)
{
    const std::vector<int> drawn = StBeats::drawBeats(StBeats::BeatShape{}, seconds, [](double t) {
        return t >= 150.0 && t < 300.0 ? -0.15 : 0.0;
    });
    return std::vector<qint16>(drawn.begin(), drawn.end());
}

QVector<AlarmLogEntry> stEntries(const MonitorSession &session)
{
    QVector<AlarmLogEntry> found;
    for (const AlarmLogEntry &e : session.alarmLog)
        if (e.condition == QLatin1String("stChange"))
            found.append(e);
    return found;
}

} // namespace

class TestStAlarm : public QObject
{
    Q_OBJECT

private slots:
    // Raised once the change has lasted the set time (60 s), ended 30 s
    // after the level came back; the trend and reference reach the session.
    void depressionRaisesAndEndsTheAlarm()
    {
        AlarmRig rig;
        MonitorSession &session = rig.add(depressionEpisode(420), false);
        rig.runTo(140);
        StFigures st = rig.alarms.stFigures(1);
        QVERIFY(st.measured && st.hasReference);
        QVERIFY2(std::abs(st.levelUv) < 30.0 && std::abs(st.changeUv) < 30.0, qPrintable(QString::number(st.levelUv)));
        rig.runTo(250);
        st = rig.alarms.stFigures(1);
        QVERIFY2(std::abs(st.changeUv + 150.0) < 30.0, qPrintable(QString::number(st.changeUv)));
        rig.runTo(420);

        const QVector<AlarmLogEntry> entries = stEntries(session);
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].kind, AlarmLogEntry::Onset);
        QCOMPARE(entries[0].priority, QStringLiteral("medium"));
        QVERIFY2(entries[0].timeOffset > 205.0 && entries[0].timeOffset < 225.0, qPrintable(QString::number(entries[0].timeOffset)));
        QVERIFY2(entries[0].text.contains(QStringLiteral("-1.")), qPrintable(entries[0].text));
        QCOMPARE(entries[1].kind, AlarmLogEntry::End);
        QVERIFY2(entries[1].timeOffset > 328.0 && entries[1].timeOffset < 345.0, qPrintable(QString::number(entries[1].timeOffset)));

        QVERIFY(session.stTrend.analysed && session.stTrend.hasReference);
        QCOMPARE(session.stTrend.pointMs, 60);
        QVERIFY(session.stTrend.trend.size() >= 38);
        bool sawDepression = false;
        for (const StTrendPoint &p : session.stTrend.trend)
            sawDepression = sawDepression || (p.timeS > 170 && p.timeS < 290 && p.stUv < -120.0);
        QVERIFY(sawDepression);
    }

    // A reference taken by the nurse during the change makes it the new
    // normal; the set limit decides, and 0 turns the alarm off.
    void referenceOnRequestAndTheAlarmOff()
    {
        AlarmRig rig;
        MonitorSession &session = rig.add(depressionEpisode(290), false);
        QVERIFY(!rig.alarms.setStReference(1));   // nothing measured yet
        rig.runTo(200);
        QVERIFY(rig.alarms.setStReference(1));
        QVERIFY(std::abs(rig.alarms.stFigures(1).changeUv) < 30.0);
        rig.runTo(290);
        QVERIFY(stEntries(session).isEmpty());

        // Off, and a 0.2-mV limit that the 0.15-mV change stays within.
        for (const int limit : {0, 20}) {
            AlarmRig off;
            AlarmSettings settings;
            settings.stLimit = limit;
            settings.stPointMs = 80;
            off.alarms.setSettings(settings);
            MonitorSession &quiet = off.add(depressionEpisode(300), false);
            off.runTo(300);
            QVERIFY2(stEntries(quiet).isEmpty(), qPrintable(QString::number(limit)));
            QVERIFY(off.alarms.stFigures(1).changeUv < -100.0);
            QCOMPARE(quiet.stTrend.pointMs, 80);
            off.alarms.stopPatient(1);
            QVERIFY(!off.alarms.stFigures(1).measured);
        }
    }

    // A trace buried in noise gives no ST level: the readout shows none while
    // it lasts, and the level comes back with the clean beats.
    void noShownLevelWhileTheTraceIsNoise()
    {
        std::vector<qint16> samples = depressionEpisode(150);
        // Motion noise: a random walk of up to 2 mV over the beats.
        quint32 seed = 7;
        double wander = 0.0;
        for (int i = 100 * 250; i < 120 * 250; ++i) {
            seed = seed * 1664525u + 1013904223u;
            wander = 0.97 * wander + (double(seed >> 8) / double(1u << 24) - 0.5) * 0.6;
            samples[size_t(i)] = qint16(samples[size_t(i)] + StBeats::CountsPerMv * wander * 2.0);
        }
        AlarmRig rig;
        rig.add(samples, false);
        rig.runTo(98);
        QVERIFY(rig.alarms.stFigures(1).measured);
        for (const double t : {106.0, 112.0}) {
            rig.runTo(t);
            QVERIFY2(!rig.alarms.stFigures(1).measured, qPrintable(QString::number(t)));
        }
        rig.runTo(148);
        QVERIFY(rig.alarms.stFigures(1).measured);
    }
};

QTEST_GUILESS_MAIN(TestStAlarm)
#include "tst_stalarm.moc"
