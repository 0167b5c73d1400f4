// The alarm system's live signals: how banners flash by priority, and the
// monitoring window's alarm strip following a monitor of two patients fed
// through the recorder on a clock of the test's own: the line's order, the
// audio pause with its countdown and its end by a new high-priority alarm,
// acknowledgement, the sound the player is asked for and the alarm logs.

#include "../common/alarmrig.h"

#include "alarms/alarmflash.h"
#include "alarms/alarmmonitor.h"
#include "dsp/tsyntheticecg.h"
#include "monitoring/alarmplayer.h"
#include "monitoring/sessionalarmbar.h"
#include "storage/monitorsession.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "../common/drawncontrast.h"

class TestAlarmWidgets : public QObject
{
    Q_OBJECT

private slots:
    void flashing_data()
    {
        QTest::addColumn<int>("priority");
        QTest::addColumn<double>("minHz");   // 0: steady
        QTest::addColumn<double>("maxHz");
        QTest::newRow("high: 1.4-2.8 Hz") << int(AlarmPriority::High) << 1.4 << 2.8;
        QTest::newRow("medium: 0.4-0.8 Hz") << int(AlarmPriority::Medium) << 0.4 << 0.8;
        QTest::newRow("low: steady") << int(AlarmPriority::Low) << 0.0 << 0.0;
    }

    // Sampled over 10 s (from a negative time too): the frequency, a duty of
    // 20-60 %, and the announced next change where the state really changes.
    void flashing()
    {
        QFETCH(int, priority);
        QFETCH(double, minHz);
        QFETCH(double, maxHz);
        const auto p = AlarmPriority(priority);
        int lit = 0, onsets = 0;
        bool previous = AlarmFlash::isLit(p, -5001);
        for (qint64 ms = -5000; ms < 5000; ++ms) {
            const bool now = AlarmFlash::isLit(p, ms);
            lit += now;
            onsets += now && !previous;
            const qint64 next = AlarmFlash::msToNextChange(p, ms);
            if (next < 0)
                QVERIFY(minHz == 0 && now);
            else
                QVERIFY(next > 0 && AlarmFlash::isLit(p, ms + next) != now && AlarmFlash::isLit(p, ms + next - 1) == now);
            previous = now;
        }
        if (minHz == 0) {
            QCOMPARE(lit, 10000);
            return;
        }
        const double hz = onsets / 10.0, duty = lit / 10000.0;
        QVERIFY2(hz >= minHz && hz <= maxHz && duty >= 0.2 && duty <= 0.6,
                 qPrintable(QStringLiteral("%1 Hz, duty %2").arg(hz).arg(duty)));
        QVERIFY(!AlarmFlash::isLit(AlarmPriority::None, 0));
        QVERIFY(AlarmFlash::msToNextChange(AlarmPriority::None, 0) < 0);
    }

    // Patient 2's ECG pauses 8 s after 20 s; patient 1's recording stops at
    // 2 s. The line, the sound, the audio pause and acknowledgement follow,
    // and each patient's log keeps what happened.
    void alarmStrip()
    {
        TSyntheticEcg ecg;
        std::vector<qint16> pausing = ecg.generate(std::vector<double>(20, 70.0));
        const double lastBeat = ecg.beatPositions().back() / 250.0;
        for (int i = 0; i < 8 * 250; ++i)
            pausing.push_back(qint16(i * 7 % 5 - 2));
        AlarmRig rig;
        AlarmMonitor &alarms = rig.alarms;
        QSignalSpy saves(&alarms, &AlarmMonitor::logChanged);
        MonitorSession &stopped = rig.add(TSyntheticEcg().generate(std::vector<double>(40, 70.0)));
        MonitorSession &paused = rig.add(pausing);

        SessionAlarmBar bar(&alarms, [](int id) { return QStringLiteral("Patient %1").arg(id); });
        auto *line = bar.findChild<QLabel *>(QStringLiteral("lblAlarmLine"));
        auto *pause = bar.findChild<QPushButton *>(QStringLiteral("btnAudioPaused"));
        QCOMPARE(bar.findChild<QLabel *>(QStringLiteral("lblNoSound"))->isVisibleTo(&bar), !bar.player().hasSound());
        QCOMPARE(line->text(), QStringLiteral("No alarms"));

        rig.runTo(2.0);
        alarms.setRecordingStopped(1, true, QStringLiteral("Write error"));
        alarms.tick();
        QCOMPARE(line->text(), QStringLiteral("Patient 1: Recording stopped: Write error"));
        QCOMPARE(bar.player().playing(), AlarmPriority::Medium);

        rig.runTo(3.0);
        pause->click();
        QVERIFY(pause->isChecked());
        QCOMPARE(pause->text(), QStringLiteral("Audio paused 2:00"));
        // Readable on the station's light-on-dark style, too.
        qApp->setStyleSheet(QStringLiteral("QPushButton { color: white; background-color: rgb(40, 40, 40); }"));
        pause->setStyleSheet(pause->styleSheet()); // polished again under the new application sheet
        pause->resize(pause->sizeHint());
        QVERIFY2(drawnTextContrast(pause) >= 4.5, qPrintable(QString::number(drawnTextContrast(pause))));
        qApp->setStyleSheet(QString());
        QCOMPARE(bar.player().playing(), AlarmPriority::None);
        rig.runTo(13.0);
        QTRY_COMPARE(pause->text(), QStringLiteral("Audio paused 1:50"));
        QCOMPARE(bar.player().playing(), AlarmPriority::None);

        // The asystole ends the pause at once and comes first on the line.
        rig.runTo(lastBeat + 4.6);
        QCOMPARE(bar.player().playing(), AlarmPriority::High);
        QVERIFY(!pause->isChecked());
        QCOMPARE(alarms.audioPauseRemainingMs(), qint64(0));
        QCOMPARE(pause->text(), QStringLiteral("Pause audio"));
        QCOMPARE(line->text(), QStringLiteral("Patient 2: ASYSTOLE   |   Patient 1: Recording stopped: Write error"));

        // Acknowledged, the next unacknowledged alarm sounds; a pause the
        // clinician ends early lets it sound again.
        alarms.acknowledge(2);
        QCOMPARE(bar.player().playing(), AlarmPriority::Medium);
        pause->click();
        QCOMPARE(bar.player().playing(), AlarmPriority::None);
        pause->click();
        QVERIFY(!pause->isChecked());
        QVERIFY(bar.player().playing() == AlarmPriority::Medium);
        alarms.acknowledge(1);
        QCOMPARE(bar.player().playing(), AlarmPriority::None);

        // Each onset and acknowledgement is logged (and told for saving) once.
        QCOMPARE(paused.alarmLog.size(), 2);
        const AlarmLogEntry onset = paused.alarmLog[0];
        QCOMPARE(onset.kind, AlarmLogEntry::Onset);
        QCOMPARE(onset.condition, QStringLiteral("asystole"));
        QCOMPARE(onset.priority, QStringLiteral("high"));
        QVERIFY2(onset.timeOffset > lastBeat + 4.0, qPrintable(QString::number(onset.timeOffset)));
        QVERIFY2(onset.timeOffset <= lastBeat + 5.0, qPrintable(QString::number(onset.timeOffset)));
        QCOMPARE(paused.alarmLog[1].kind, AlarmLogEntry::Acknowledged);
        QCOMPARE(stopped.alarmLog[0].text, QStringLiteral("Recording stopped: Write error"));
        QCOMPARE(saves.count(), 4);
        // A stopped patient's alarms end and are logged.
        alarms.stopPatient(1);
        QCOMPARE(stopped.alarmLog.last().kind, AlarmLogEntry::End);
        for (const AlarmMonitor::ShownAlarm &shown : alarms.shownAlarms())
            QVERIFY(shown.patientId != 1);
    }
};

QTEST_MAIN(TestAlarmWidgets)
#include "tst_alarmwidgets.moc"
