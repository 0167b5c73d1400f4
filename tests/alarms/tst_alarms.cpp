// The alarm system without widgets: every condition's delays, 2-s end,
// exclusions, latching and acknowledgement from time-stamped scripts; which
// beats end a pause; the station's one sound and the audio pause;
// ventricular ectopy counted into couplets, runs, a sliding minute, marks and
// the PVC trend; the settings; the alarm log and the PVC trend in the study
// file.

#include "../common/alarmrig.h"
#include "../common/referencerecord.h"

#include "alarms/alarmectopy.h"
#include "alarms/alarmmonitor.h"
#include "alarms/alarmsettings.h"
#include "dsp/recordingectopy.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/sessionclock.h"
#include "storage/studyfile.h"
#include "storage/tfilesignal.h"

#include <QTemporaryDir>

#include <functional>
#include <QtTest>

#include <numeric>

namespace {

// Drawn beats, sample k from the R peak, in counts (about 43 a millivolt):
// a Gaussian wave, a normal beat and a wide ventricular one.
double wave(int k, double at, double width, double height)
{
    return height * std::exp(-0.5 * std::pow((k - at) / width, 2));
}
double normalBeat(int k)
{
    return wave(k, -40, 6, 6) + wave(k, -6, 2, -8) + wave(k, 0, 2.5, 45) + wave(k, 6, 2.5, -12) + wave(k, 62, 11, 10);
}
double wideBeat(int k)
{
    return wave(k, 0, 7, 60) + wave(k, 16, 7, -25) + wave(k, 70, 15, -25);
}

// Plays a script of segments "SECONDS:STATE[+FLAG...]" through an engine in
// 100-ms steps; at each step the block of the last 100 ms arrives (its last
// sample now), then the conditions are decided. STATE: "hr=N" (beats at N bpm, the detector's rate
// N), "pause" (a live trace of low noise without beats), "flat" (a frozen
// trace), "still" (a flat trace whose value steps by one count every 1.6 s,
// as a quantised trace without beats does), "rail" (pinned at the converter's rail), "nolink" (nothing arrives,
// the link is down). FLAGs: "recstop", "battery", "sim" (no link watched),
// "stop" (patient stopped), "ack" (acknowledged as the segment starts), and
// what the beat labels show: "pvc=N" (a minute's count), "vt=BEATSxRATE",
// "couplet"; "single" (the 100 ms arrive one sample a poll); "bad=N" (N bad
// frames a second on the link); "af" (the rhythm judged atrial fibrillation).
// Returns the events as "13.5 onset asystole, ...".
QString play(AlarmEngine &engine, const QString &script)
{
    double badFrames = 0;
    QStringList events;
    const auto collect = [&events](const QVector<AlarmEvent> &list) {
        for (const AlarmEvent &e : list)
            events << QStringLiteral("%1 %2 %3").arg(e.time / 1000.0, 0, 'f', 1)
                          .arg(AlarmLogEntry::kindName(e.kind), QLatin1String(alarmConditionRow(e.condition).name));
    };
    qint64 now = 0, fed = 0, nextBeat = 0;
    for (const QString &segment : script.split(' ', Qt::SkipEmptyParts)) {
        const qint64 end = now + qint64(segment.section(':', 0, 0).toDouble() * 1000);
        const QStringList states = segment.section(':', 1).split('+');
        const QString trace = states[0].startsWith("hr=") ? QStringLiteral("beats") : states[0];
        const int hr = trace == "beats" ? states[0].mid(3).toInt() : 0;
        nextBeat = now;
        engine.setLink(!states.contains("sim"), trace != "nolink");
        engine.setRecordingStopped(states.contains("recstop"));
        engine.setBatteryVoltage(states.contains("battery") ? 2.1 : 2.6);
        const QRegularExpressionMatch e = QRegularExpression("pvc=(\\d+)|vt=(\\d+)x(\\d+)").match(states.join('+'));
        engine.setEctopy({e.captured(1).toInt(), e.captured(2).toInt(), e.captured(3).toInt(), states.contains("couplet")});
        engine.setAtrialFibrillation(states.contains("af"));
        if (states.contains("ack"))
            collect(engine.acknowledge(now));
        collect(engine.setStopped(states.contains("stop"), now));
        const double badPerSecond = QRegularExpression("bad=(\\d+)").match(segment).captured(1).toDouble();
        for (; now < end; now += 100) {
            badFrames += badPerSecond / 10;
            engine.setBadFrames(qint64(badFrames), now);
            if (trace != "nolink") {
                short block[25];
                int beats[2], beatCount = 0;
                for (int i = 0; i < 25; ++i)
                    block[i] = short(trace == "flat"    ? 7
                                     : trace == "still" ? (fed + i) / 400 % 2
                                     : trace == "rail"  ? AlarmEngine::RailHigh
                                                        : (fed + i) * 7 % 5 - 2);
                for (; trace == "beats" && nextBeat <= now; nextBeat += 60000 / hr) {
                    beats[beatCount] = int(fed + 24 - (now - nextBeat) / 4);
                    block[beats[beatCount++] - fed] = 40;   // a QRS of about 1 mV
                }
                if (states.contains("single")) {
                    // One sample a poll, each decided at once.
                    for (int i = 0, b = 0; i < 25; ++i) {
                        const bool beat = b < beatCount && beats[b] == fed + i;
                        engine.addSamples(block + i, 1, beats + b, beat ? 1 : 0, now - 96 + 4 * i);
                        b += beat ? 1 : 0;
                        engine.setHeartRate(hr);
                        if (i < 24)
                            collect(engine.update(now - 96 + 4 * i));
                    }
                } else {
                    engine.addSamples(block, 25, beats, beatCount, now);
                }
                fed += 25;
            }
            engine.setHeartRate(hr);
            collect(engine.update(now));
        }
    }
    return events.join(", ");
}

// Beats as (ms since the previous one, QRS amplitude in counts; 0: no beat,
// only time passes), single samples over a low noise, then `frozenMs` of a
// frozen trace, fed to `engine` in 100-ms blocks; `block` is called after
// each with its time. Returns the time of the end of the trace.
qint64 feedBeats(AlarmEngine &engine, const std::vector<std::pair<int, int>> &beats, int frozenMs = 0,
                 const std::function<void(qint64)> &block = {})
{
    std::vector<short> trace;
    std::vector<int> at;
    for (const auto &beat : beats) {
        for (int k = 1; k < beat.first / 4; ++k)
            trace.push_back(short(trace.size() * 7 % 5) - 2);
        if (beat.second > 0)
            at.push_back(int(trace.size()));
        trace.push_back(short(beat.second));
    }
    trace.resize(trace.size() + size_t(frozenMs / 4));
    size_t nextBeat = 0;
    for (int fed = 0; fed + 25 <= int(trace.size()); fed += 25) {
        const size_t firstBeat = nextBeat;
        while (nextBeat < at.size() && at[nextBeat] < fed + 25)
            ++nextBeat;
        engine.addSamples(&trace[size_t(fed)], 25, at.data() + firstBeat, int(nextBeat - firstBeat), (fed + 25) * 4);
        if (block)
            block((fed + 25) * 4);
    }
    return qint64(trace.size()) * 4;
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private slots:
    void conditions_data()
    {
        QTest::addColumn<QString>("settings");   // overrides: asystole, hrdelay, lower, pvc, af
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("shownAtEnd");
        const QString pause = "10:hr=60 8:pause 5:hr=60";
        QTest::newRow("asystole 4.5 s after the last beat, latched after its end")
            << "" << pause << "13.5 onset asystole, 20.0 end asystole" << "asystole";
        QTest::newRow("one sample a poll: the same asystole")
            << "" << "10:hr=60+single 8:pause+single 5:hr=60+single" << "13.5 onset asystole, 20.0 end asystole" << "asystole";
        QTest::newRow("asystole delay of 6 s") << "asystole=6" << pause << "15.5 onset asystole, 20.0 end asystole" << "asystole";
        QTest::newRow("a shorter pause") << "" << "10:hr=60 3.4:pause 5:hr=60" << "" << "";
        QTest::newRow("frozen trace: electrodes, never asystole")
            << "" << "10:hr=60 8:flat 5:hr=60" << "14.0 onset checkElectrodes, 20.0 end checkElectrodes" << "";
        QTest::newRow("a still trace is asystole, not electrodes")
            << "" << "10:hr=60 8:still 5:hr=60" << "13.5 onset asystole, 20.0 end asystole" << "asystole";
        QTest::newRow("trace at a rail")
            << "" << "10:hr=60 6:rail 5:hr=60" << "13.9 onset checkElectrodes, 18.0 end checkElectrodes" << "";
        // The limits follow the median of the last five intervals between the
        // beats, so a one-second dip is no crossing back; the delay is timed
        // from the first interval beyond the limit (5.2 s after the slow
        // rhythm's first beat, not 5 s after its median crossed).
        QTest::newRow("rate crossing back and forth: one alarm, higher priority shown")
            << "" << "5:hr=80 10:hr=130 1:hr=110 10:hr=130 5:hr=80 1:hr=80+ack"
            << "9.7 onset hrCaution, 10.1 onset hrHigh, 30.3 end hrHigh, 30.3 end hrCaution" << "";
        QTest::newRow("no rate delay") << "hrdelay=0" << "5:hr=80 3:hr=130 5:hr=80"
                                       << "6.0 onset hrCaution, 6.4 onset hrHigh, 12.3 end hrHigh, 12.3 end hrCaution" << "";
        QTest::newRow("below the lower limit") << "" << "5:hr=60 10:hr=35 5:hr=60" << "10.2 onset hrLow, 19.0 end hrLow" << "";
        QTest::newRow("lower limit off") << "lower=0" << "5:hr=60 10:hr=35 5:hr=60" << "" << "";
        QTest::newRow("link lost at once, no asystole meanwhile")
            << "" << "5:hr=60 6:nolink 5:hr=60" << "5.0 onset linkLost, 13.0 end linkLost" << "";
        QTest::newRow("module link coming up: lost after 10 s")
            << "" << "12:nolink 5:hr=60" << "10.0 onset linkLost, 14.0 end linkLost" << "";
        QTest::newRow("simulated source: no link, no pause") << "" << "5:hr=60+sim 6:nolink+sim 5:hr=60+sim" << "" << "";
        QTest::newRow("recording stopped and low battery at once")
            << "" << "2:hr=60 3:hr=60+recstop+battery 5:hr=60"
            << "2.0 onset recordingStopped, 2.0 onset lowBattery, 7.0 end recordingStopped, 7.0 end lowBattery" << "";
        QTest::newRow("stopped patient: alarms end, none while stopped")
            << "" << "6:hr=130 2:hr=130+stop 8:pause+stop"
            << "5.1 onset hrHigh, 5.1 onset hrCaution, 6.0 end hrHigh, 6.0 end hrCaution" << "";
        QTest::newRow("latched asystole clears when acknowledged")
            << "" << pause + " 1:hr=60+ack 1:hr=60+ack" << "13.5 onset asystole, 20.0 end asystole, 23.0 ack asystole" << "";
        QTest::newRow("acknowledged before its end: no latch")
            << "" << "10:hr=60 5:pause 1:pause+ack 3:hr=60"
            << "13.5 onset asystole, 15.0 ack asystole, 18.0 end asystole" << "";
        QTest::newRow("medium shown while active after acknowledgement")
            << "" << "5:hr=60 2:nolink 2:nolink+ack" << "5.0 onset linkLost, 7.0 ack linkLost" << "linkLost";
        QTest::newRow("PVCs above the limit at once, at it no more")
            << "" << "5:hr=60 5:hr=60+pvc=11 5:hr=60+pvc=10" << "5.0 onset frequentPvcs, 12.0 end frequentPvcs" << "";
        QTest::newRow("PVC limit off") << "pvc=0" << "5:hr=60 5:hr=60+pvc=40" << "" << "";
        QTest::newRow("bad frames on the link for 3 s") << "" << "2:hr=60 6:hr=60+bad=20 5:hr=60"
                                                        << "5.1 onset linkErrors, 11.8 end linkErrors" << "";
        QTest::newRow("a bad frame now and then") << "" << "2:hr=60 8:hr=60+bad=1 2:hr=60" << "" << "";
        QTest::newRow("ventricular tachycardia latched above a couplet")
            << "" << "5:hr=60 1:hr=60+vt=3x150 5:hr=60 1:hr=60+couplet 4:hr=60"
            << "5.0 onset ventricularTachycardia, 8.0 end ventricularTachycardia, 11.0 onset couplet, 14.0 end couplet"
            << "ventricularTachycardia";
        // Atrial fibrillation alarms after its delay and ends only after 30 s
        // without it, so that bursts make one alarm.
        QTest::newRow("AF after 30 s, one alarm across a short break")
            << "" << "5:hr=60 40:hr=90+af 10:hr=70 20:hr=90+af 35:hr=70"
            << "35.0 onset atrialFibrillation, 105.0 end atrialFibrillation" << "";
        QTest::newRow("AF shorter than its delay") << "" << "5:hr=60 29:hr=90+af 5:hr=60" << "" << "";
        QTest::newRow("AF delay of 10 s") << "af=10" << "5:hr=60 12:hr=90+af" << "15.0 onset atrialFibrillation"
                                          << "atrialFibrillation";
        QTest::newRow("AF alarm off") << "af=0" << "5:hr=60 130:hr=90+af" << "" << "";
    }

    void conditions()
    {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        AlarmSettings s;
        for (const QString &o : settings.split(' ', Qt::SkipEmptyParts)) {
            const int value = o.section('=', 1).toInt();
            int &field = o.startsWith("asystole") ? s.asystoleDelay
                         : o.startsWith("hrdelay") ? s.hrDelay : o.startsWith("pvc") ? s.pvcLimit
                         : o.startsWith("af") ? s.afDelay : s.hrLower;
            field = value;
        }
        AlarmEngine engine(s);
        QTEST(play(engine, script), "events");
        AlarmCondition shown;
        QTEST(engine.shownAlarm(shown) ? QString::fromLatin1(alarmConditionRow(shown).name) : QString(), "shownAtEnd");
    }

    void ectopyCounter()
    {
        // Beats `rr` ms apart, one a character (N, Q, V; '_' none), and the
        // figures `after` ms past the last slot: "runBeats runRate couplet".
        const struct { const char *beats; int rr, after; const char *figures; } cases[] = {
            {"NNVVN", 400, 0, "0 0 1"}, {"NNVV", 400, 500, "0 0 0"},        // a pair, once over, is a couplet
            {"NNVV", 400, 2500, "0 0 0"}, {"NNVVN", 400, 5000, "0 0 0"},    // not before the next beat; held 5 s
            {"NVVVN", 400, 0, "3 150 0"}, {"NVVVVVV", 400, 0, "6 150 0"},   // tachycardia, going on
            {"NVVVN", 600, 0, "0 0 0"}, {"NVVVN", 400, 4700, "0 0 0"},      // not above 100 bpm; held 5 s
            {"VVQVN", 400, 0, "0 0 1"}, {"VV_____VN", 400, 0, "0 0 1"}};    // a run ends at Q or a 2-s pause
        for (const auto &c : cases) {
            EctopyCounter counter;
            qint64 time = 0;
            for (const char *beat = c.beats; *beat; ++beat) {
                time += c.rr;
                if (*beat == 'V')
                    counter.addVentricular({time / 4, time});
                else if (*beat != '_')
                    counter.addOther();
            }
            const EctopyFigures f = counter.figures(time + c.after);
            QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(c.beats).arg(f.runBeats).arg(f.runRate).arg(int(f.couplet)),
                     QStringLiteral("%1 %2").arg(c.beats, c.figures));
        }
    }

    void beatAmplitudes()
    {
        // amplitudes (counts) of beats 1 s apart (or unsteadily apart), and which of them count
        const struct { std::vector<int> amplitudes; bool unsteady; const char *counted; } cases[] = {
            {{40, 6, 40, 42, 38, 12, 13, 14, 40}, false, "101110011"},                 // floor, then a third of the mean
            {{40, 40, 40, 40, 12, 12, 12, 12, 12, 12, 12, 12, 12}, false, "1111000000011"},   // a steady smaller QRS
            {{40, 40, 40, 40, 12, 8, 11, 9, 12, 7, 12, 10, 8}, false, "1111000000000"},       // noise varies
            {{40, 40, 40, 40, 12, 12, 12, 12, 12, 12, 12, 12, 12}, true, "1111000000000"}};   // and comes unsteadily
        for (const auto &c : cases) {
            BeatAmplitudeGate gate;
            QString counted;
            for (size_t i = 0; i < c.amplitudes.size(); ++i)
                counted += gate.accept(c.amplitudes[i], qint64(i) * 1000 + (c.unsteady ? qint64(i % 3) * 400 : 0)) ? '1' : '0';
            QCOMPARE(counted, QLatin1String(c.counted));
        }
    }

    void rateTheLimitsFollow()
    {
        // After eight beats at 75 bpm, beats as (ms since the previous one,
        // QRS amplitude in counts), repeated for 7 s; the rate the limits see
        // `after` ms after the last of them, and whether it is above the
        // caution limit (100) long enough to alarm.
        const struct { const char *name; std::vector<std::pair<int, int>> beats; int after, rate; bool alarm; } cases[] = {
            {"a small extra beat splits each interval", {{400, 20}, {400, 40}}, 600, 75, false},
            {"an extra beat as large as the QRS: the rate doubled", {{400, 40}, {400, 40}}, 600, 150, true},
            {"fast beats of changing size are noise", {{300, 40}, {300, 75}}, 600, 200, false},
            {"beats far smaller than the QRS are no beats", {{200, 12}, {800, 40}}, 600, 60, false},
            {"a slowing heart is followed before its next beat", {{2000, 40}}, 2700, 30, false},
        };
        for (const auto &c : cases) {
            std::vector<std::pair<int, int>> beats(8, {800, 40});
            for (int ms = 0; ms < 7000; ms += 800)
                beats.insert(beats.end(), c.beats.begin(), c.beats.end());
            AlarmEngine engine;
            const qint64 end = feedBeats(engine, beats, c.after);
            QVERIFY2(engine.inputs(end).heartRate == c.rate, c.name);
            const QVector<AlarmEvent> events = engine.update(end);
            QVERIFY2(!events.isEmpty() == c.alarm, c.name);
        }
    }

    void noAsystoleInNoise()
    {
        // Noise that buries the QRS complexes hides beats as well: a pause
        // in it is no asystole, as it gives no heart rate either.
        AlarmInputs in;
        in.signalArriving = true;
        in.msSinceBeat = 6000;
        const AlarmConditionRow &asystole = alarmConditionRow(AlarmCondition::Asystole);
        for (const int noisy : {0, NoisySeconds - 1, NoisySeconds, NoisyWindowSeconds}) {
            in.noisySeconds = noisy;
            QCOMPARE(asystole.cause(in, AlarmSettings()), noisy < NoisySeconds);
        }
    }

    void lowRateTimedByItsMean()
    {
        // After ten beats at 60 bpm, beats as (ms since the previous one, QRS
        // amplitude in counts), then 1 s without one: whether the lower limit
        // (40 bpm, 5 s) alarms.
        const struct { const char *name; std::vector<std::pair<int, int>> beats; bool alarm; } cases[] = {
            {"uneven slow intervals, their mean below 40", {{1700, 40}, {1550, 40}, {1550, 40}, {1400, 40}}, true},
            {"a small extra detection inside a slow interval",
             {{1750, 40}, {1750, 40}, {400, 20}, {1350, 40}, {1750, 40}, {1750, 40}}, true},
            {"one long pause among normal beats", {{3000, 40}, {1000, 40}, {1000, 40}, {1000, 40}}, false},
            {"slow for less than 5 s", {{1550, 40}, {1550, 40}, {1550, 40}, {1000, 40}, {1000, 40}}, false},
        };
        for (const auto &c : cases) {
            std::vector<std::pair<int, int>> beats(10, {1000, 40});
            beats.insert(beats.end(), c.beats.begin(), c.beats.end());
            beats.push_back({1000, 0});
            AlarmEngine engine;
            bool alarmed = false;
            feedBeats(engine, beats, 0, [&](qint64 now) {
                for (const AlarmEvent &e : engine.update(now))
                    alarmed = alarmed || (e.kind == AlarmLogEntry::Onset && e.condition == AlarmCondition::HrBelowLower);
            });
            QVERIFY2(alarmed == c.alarm, c.name);
        }
    }

    void stationSound()
    {
        // highest sounding, paused, low-priority sound on: what plays
        const struct { AlarmPriority highest; bool paused, lowOn; AlarmPriority plays; } cases[] = {
            {AlarmPriority::High, false, false, AlarmPriority::High},
            {AlarmPriority::High, true, true, AlarmPriority::None},
            {AlarmPriority::Low, false, false, AlarmPriority::None},
            {AlarmPriority::Low, false, true, AlarmPriority::Low},
            {AlarmPriority::None, false, true, AlarmPriority::None}};
        for (const auto &c : cases)
            QCOMPARE(stationSoundPriority(c.highest, c.paused, c.lowOn), c.plays);
        AudioPause pause;
        pause.start(1000, 120000);
        QVERIFY(pause.isActive(120999));
        QVERIFY(!pause.isActive(121000));
        QVERIFY(pause.remainingMs(21000) == 100000);
    }

    // Drawn beats at 75 bpm with ten seconds of slow electrode-motion-like
    // swings (1.3 and 2.9 Hz, 80 counts) from 50 s, enough for the noise
    // judgement to find those seconds unanalysable; in one row a run of
    // twenty wide beats at 180 bpm (83 samples apart, the axis flipping
    // from beat to beat) starts at 50 s under the swings. The run is a
    // tachycardia and must alarm before it has lasted 8 s, although every
    // one of its seconds is judged noisy; the noise alone must raise no VT.
    void ventricularRunInANoisyStretch_data()
    {
        QTest::addColumn<bool>("run");
        QTest::newRow("run at 180 bpm in motion noise") << true;
        QTest::newRow("motion noise over sinus rhythm") << false;
    }
    void ventricularRunInANoisyStretch()
    {
        QFETCH(bool, run);
        std::vector<double> trace(80 * 250, 0.0);
        const auto draw = [&](int at, const std::function<double(int)> &shape) {
            for (int k = -100; k < 150; ++k)
                if (at + k >= 0 && at + k < int(trace.size()))
                    trace[size_t(at + k)] += shape(k);
        };
        int at = 100;
        for (; at < 50 * 250; at += 200)
            draw(at, normalBeat);
        if (run) {
            for (int i = 0; i < 20; ++i, at += 83) {
                const double sign = i % 2 ? -0.75 : 1.0;
                draw(at, [&](int k) { return sign * (wave(k, 0, 9, 60) + wave(k, 22, 9, -30)); });
            }
            at += 117;
        }
        for (int n = 50 * 250; n < 60 * 250; ++n)
            trace[size_t(n)] += 50 * std::sin(2 * M_PI * 1.3 * n / 250) + 30 * std::sin(2 * M_PI * 2.9 * n / 250 + 1);
        for (; at < 80 * 250 - 150; at += 200)
            draw(at, normalBeat);
        std::vector<qint16> samples(trace.size());
        std::transform(trace.begin(), trace.end(), samples.begin(), [](double v) { return qint16(std::lround(v)); });

        AlarmRig rig;
        double vtOnset = -1;
        connect(&rig.alarms, &AlarmMonitor::alarmLogged, this, [&](int, const AlarmLogEntry &entry) {
            if (entry.kind == AlarmLogEntry::Onset && entry.condition == "ventricularTachycardia" && vtOnset < 0)
                vtOnset = entry.timeOffset;
        });
        rig.add(samples);
        rig.runTo(79);
        if (run)
            QVERIFY2(vtOnset >= 50.0 && vtOnset <= 58.0, qPrintable(QString::number(vtOnset)));
        else
            QCOMPARE(vtOnset, -1.0);
    }

    // Drawn beats at 75 bpm, from the 40th every 8th a wide PVC 80 samples
    // early with a full compensatory pause, into a session whose recording
    // holds 1000 samples already: the PVCs reach the sliding minute, the
    // marks (at the recording's indices) and the PVC trend, also
    // those decided at the stop; a stopped patient is no longer monitored.
    void ectopyThroughTheMonitor()
    {
        std::vector<qint16> samples(90 * 250, 0);
        QVector<qint64> pvcs;
        for (int i = 0, at = 100; at < 90 * 250 - 150; at += 200, ++i) {
            const bool early = i >= 40 && i % 8 == 0;
            pvcs << (early ? at - 80 + 1000 : -1);
            for (int k = -100; k < 150; ++k)
                samples[size_t(at + k - (early ? 80 : 0))] += qint16(std::lround(early ? wideBeat(k) : normalBeat(k)));
        }
        pvcs.removeAll(-1);
        QTemporaryDir dir;
        MonitorSession session(SessionData{});
        session.setRecording(std::make_unique<TFileSignal>(dir.filePath("r"), 1, 250, 4096, TFileSignal::Access::Create));
        session.recording()->appendInterleaved(std::vector<qint16>(1000, 0).data(), 2 * 1000);
        AlarmRig rig;
        AlarmMonitor &alarms = rig.alarms;
        const qint64 &now = rig.now;
        QSignalSpy told(&alarms, &AlarmMonitor::ectopyChanged);
        rig.add(samples, false, &session);
        rig.now = Recorder::PollInterval;
        rig.runTo(90.1);
        QVERIFY(told.count() > 10);
        QVERIFY(told.count() < 90000 / Recorder::PollInterval);
        // Sample n played at 4n ms.
        const auto drawnSince = [&](qint64 ms) {
            QVector<qint64> drawn;
            std::copy_if(pvcs.begin(), pvcs.end(), std::back_inserter(drawn), [ms](qint64 p) { return (p - 1000) * 4 > ms; });
            return drawn;
        };
        QCOMPARE(alarms.pvcPerMinute(1), drawnSince(now - 60000).size());
        const QVector<qint64> marks = alarms.recentVentricularBeats(1), drawn = drawnSince(now - 10000);
        QCOMPARE(marks.size(), drawn.size());
        for (int i = 0; i < marks.size(); ++i)
            QVERIFY(qAbs(marks[i] - drawn[i]) <= 8);

        alarms.stopPatient(1);
        QVERIFY(std::accumulate(session.pvcTrend.begin(), session.pvcTrend.end(), 0) == pvcs.size()
                && session.pvcTrend.size() >= session.hrTrend.size());
        for (qint64 p : pvcs)
            QVERIFY(session.pvcTrend.value(int(p / 250)) > 0);
        QVERIFY(alarms.pvcPerMinute(1) == -1);
        QVERIFY(alarms.recentVentricularBeats(1).isEmpty());
        QVERIFY(alarms.pvcPerMinute(2) == -1);
    }

    // One ECG through the live monitor and through review's analysis of the
    // recording it left must give the same ventricular beats (second by
    // second), couplets, runs and tachycardias. Drawn: beats at 75 bpm with
    // single PVCs, couplets and runs of four wide beats at 167 bpm, motion
    // noise over 60-66 s and a 3-s link loss at 75 s; and the first three
    // minutes of a reference record with runs, flutter and noise.
    void liveAndReviewAgree_data()
    {
        QTest::addColumn<QString>("record");
        QTest::newRow("drawn, noise and a link loss") << QString();
        QTest::newRow("reference record 207") << QStringLiteral("mitdb207");
    }
    void liveAndReviewAgree()
    {
        QFETCH(QString, record);
        std::vector<qint16> samples;
        if (record.isEmpty()) {
            std::vector<double> trace(100 * 250, 0.0);
            const auto draw = [&](int at, bool wide) {
                for (int k = -100; k < 150; ++k)
                    trace[size_t(at + k)] += wide ? wideBeat(k) : normalBeat(k);
            };
            for (int at = 100, i = 0; at < 100 * 250 - 400; ++i) {
                const int wide = i < 40 || i % 4 ? 0 : i % 12 == 0 ? 1 : i % 12 == 4 ? 2 : 4;
                if (wide == 0) {
                    draw(at, false);
                    at += 200;
                    continue;
                }
                // 80 samples early, 90 apart, then a full compensatory pause.
                for (int k = 0; k < wide; ++k)
                    draw(at - 80 + 90 * k, true);
                at += 110 + 90 * wide;
            }
            for (int n = 60 * 250; n < 66 * 250; ++n)
                trace[size_t(n)] += 50 * std::sin(2 * M_PI * 1.3 * n / 250) + 30 * std::sin(2 * M_PI * 2.9 * n / 250 + 1);
            for (double v : trace)
                samples.push_back(qint16(std::lround(v)));
        } else {
            const ReferenceData data = readReferenceRecord(record, 180);
            REQUIRE_REFERENCE_DATA(data);
            samples.resize(size_t(data.bytes.size() / 2));
            memcpy(samples.data(), data.bytes.constData(), samples.size() * 2);
        }
        QTemporaryDir dir;
        MonitorSession session(SessionData{});
        session.setRecording(std::make_unique<TFileSignal>(dir.filePath("r"), 1, 250, 4096, TFileSignal::Access::Create));
        AlarmRig rig;
        struct : SessionClock
        {
            const qint64 *now = nullptr;
            qint64 monotonicMs() const override { return *now; }
        } clock;
        clock.now = &rig.now;
        session.startClock(clock);
        rig.add(samples, false, &session);
        const double seconds = samples.size() / 250.0;
        if (record.isEmpty()) {
            rig.runTo(75);
            rig.sources[0]->stop();
            rig.runTo(78);
            rig.sources[0]->start();
        }
        rig.runTo(seconds + (record.isEmpty() ? 3.5 : 0.5));
        rig.recorder.removeSource(rig.sources[0].get());
        rig.alarms.stopPatient(1);

        TFileSignal &recording = *session.recording();
        QVERIFY(!recording.gaps().isEmpty() || !record.isEmpty());
        const RecordingEctopy review = analyseRecording(recording, recording.gapSpans());
        const EctopyStatistics &s = review.statistics;
        QVector<int> perSecond(session.pvcTrend.size());
        for (qint64 v : ventricularIndices(review.beats))
            ++perSecond[int(v / 250)];
        QCOMPARE(perSecond, session.pvcTrend);
        const EctopyCounter &live = *rig.alarms.ectopyCounter(1);
        QCOMPARE(QVector<int>({live.couplets(), live.runs(), live.tachycardias()}),
                 QVector<int>({s.couplets, int(s.runs.size()), s.tachycardias}));
        // Each kind is there to agree about.
        QVERIFY2(s.pvcTotal > 20 && s.couplets > 0 && s.tachycardias > 0,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(s.pvcTotal).arg(s.couplets).arg(s.tachycardias)));
    }

    void settingsLoad()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
        const AlarmSettings defaults = AlarmSettings::load(settings);
        QVERIFY(defaults.hrCaution == 100 && defaults.hrAlarm == 120 && defaults.hrLower == 40 && defaults.asystoleDelay == 4
                && defaults.hrDelay == 5 && defaults.audioPauseMinutes == 2 && !defaults.lowPrioritySound
                && defaults.pvcLimit == 10 && defaults.afDelay == 30);
        QCOMPARE(defaults.stLimit, 10);
        QCOMPARE(defaults.stDelay, 60);
        settings.setValue("Config/Alarms/LowPrioritySound", "true");
        QVERIFY(AlarmSettings::load(settings).lowPrioritySound);
        AlarmSettings changed;
        changed.hrLower = 0;
        changed.lowPrioritySound = false;
        changed.stLimit = 0;
        changed.stDelay = 120;
        changed.stPointMs = 40;
        changed.save(settings);
        const AlarmSettings saved = AlarmSettings::load(settings);
        QCOMPARE(saved.hrLower, 0);
        QVERIFY(!saved.lowPrioritySound);
        QCOMPARE(saved.stLimit, 0);
        QCOMPARE(saved.stDelay, 120);
        QCOMPARE(saved.stPointMs, 40);

        // Only a stored 0 turns an alarm off: a negative or huge limit keeps
        // it on at the nearest allowed value, and every correction is told.
        for (const auto &[key, stored] : {std::pair("HrHigh", -5), std::pair("HrLow", 999), std::pair("PvcPerMinute", -3),
                                          std::pair("HrLower", -100)})
            settings.setValue(QStringLiteral("Config/Alarms/") + key, stored);
        QStringList corrected;
        const AlarmSettings kept = AlarmSettings::load(settings, &corrected);
        QVERIFY(kept.hrAlarm == 40);
        QVERIFY(kept.hrCaution == 250);
        QVERIFY(kept.pvcLimit == 1);
        QVERIFY(kept.hrLower == 1);
        QCOMPARE(corrected, QStringList({"Config/Alarms/HrLow = 999 is out of range; 250 is used.",
                                         "Config/Alarms/HrHigh = -5 is out of range; 40 is used.",
                                         "Config/Alarms/HrLower = -100 is out of range; 1 is used.",
                                         "Config/Alarms/PvcPerMinute = -3 is out of range; 1 is used."}));
        settings.setValue("Config/Alarms/HrHigh", 0);
        settings.setValue("Config/Alarms/PvcPerMinute", 0);
        QVERIFY(AlarmSettings::load(settings).hrAlarm == 0);
        QVERIFY(AlarmSettings::load(settings).pvcLimit == 0);
        // Out of range comes into range, unreadable gives the default; the AF
        // delay's 0 is off.
        const struct { const char *key; QVariant stored; int AlarmSettings::*field; int loaded; } cases[] = {
            {"AsystoleDelay", 1, &AlarmSettings::asystoleDelay, 3}, {"HrDelay", "x", &AlarmSettings::hrDelay, 5},
            {"AudioPauseMinutes", 9, &AlarmSettings::audioPauseMinutes, 3}, {"AfDelay", 0, &AlarmSettings::afDelay, 0},
            {"AfDelay", 5, &AlarmSettings::afDelay, 10}, {"AfDelay", 45, &AlarmSettings::afDelay, 45},
            {"AfDelay", 600, &AlarmSettings::afDelay, 120}, {"AfDelay", -3, &AlarmSettings::afDelay, 10},
            {"StLimitTenthsMm", 99, &AlarmSettings::stLimit, 50}, {"StDelay", 2, &AlarmSettings::stDelay, 15},
            {"StPointMs", 95, &AlarmSettings::stPointMs, 80}};
        for (const auto &c : cases) {
            settings.setValue(QStringLiteral("Config/Alarms/") + c.key, c.stored);
            QVERIFY2(AlarmSettings::load(settings).*c.field == c.loaded, c.key);
        }
    }

    void alarmLogAndPvcTrendInTheStudyFile()
    {
        QTemporaryDir dir;
        MonitorSession session(SessionData{});
        session.alarmLog = {{12.3, AlarmLogEntry::Onset, "hrHigh", "medium", "HR 182 > 170"},
                            {20.0, AlarmLogEntry::Acknowledged, "hrHigh", "medium", "HR 182 > 170"},
                            {31.5, AlarmLogEntry::End, "hrHigh", "medium", "HR 182 > 170"}};
        session.hrTrend = {70, 72, 150, 151};
        session.pvcTrend = {0, 1, 3, 0};
        writeStudyFile(session, PatientRecord(), dir.filePath("a.nvstudy"));
        QJsonDocument document;
        QVERIFY(readStudyFile(dir.filePath("a.nvstudy"), document));
        const std::unique_ptr<MonitorSession> read = sessionFromStudy(document.object(), 1, 1);
        QVERIFY(read->alarmLog == session.alarmLog);
        QVERIFY(read->pvcTrend == session.pvcTrend);
        QVERIFY(read->hrTrend == session.hrTrend);
        // Files of older writers have neither key: no alarms, no PVC data.
        // Unknown kinds are left out.
        QJsonObject old = studyJson(MonitorSession(SessionData{}), PatientRecord());
        QVERIFY(!old.contains("alarms"));
        QVERIFY(!old.value("results").toObject().contains("pvcTrend"));
        QVERIFY(sessionFromStudy(old, 1, 1)->alarmLog.isEmpty());
        QVERIFY(sessionFromStudy(old, 1, 1)->pvcTrend.isEmpty());
        old.insert("alarms", QJsonArray{QJsonObject{{"kind", "silenced"}}, 3});
        QVERIFY(sessionFromStudy(old, 1, 1)->alarmLog.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
