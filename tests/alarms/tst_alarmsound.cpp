// The alarm sounds as generated: pulses counted and measured on the waveform
// itself (count, length, rise, repetition) and its spectrum checked for a
// fundamental with four harmonics within 15 dB; the WAVE file around it.

#include "alarms/alarmsound.h"

#include <QtEndian>
#include <QtTest>

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Rate = AlarmSound::SampleRate;

struct Pulse
{
    int start = 0, end = 0;   // samples, end excluded
};

// Sounding stretches: samples apart from others by at least 1 ms of silence.
std::vector<Pulse> pulses(const std::vector<qint16> &wave)
{
    std::vector<Pulse> found;
    int silent = Rate;
    for (int i = 0; i < int(wave.size()); ++i) {
        if (wave[size_t(i)] == 0) {
            ++silent;
            continue;
        }
        if (silent >= Rate / 1000)
            found.push_back({i, i + 1});
        found.back().end = i + 1;
        silent = 0;
    }
    return found;
}

// The largest magnitude over 3 ms around each sample of the pulse.
std::vector<double> envelope(const std::vector<qint16> &wave, const Pulse &p)
{
    std::vector<double> e;
    const int half = 3 * Rate / 2000;
    for (int i = p.start; i < p.end; ++i) {
        double peak = 0.0;
        for (int j = std::max(p.start, i - half); j < std::min(p.end, i + half); ++j)
            peak = std::max(peak, std::abs(double(wave[size_t(j)])));
        e.push_back(peak);
    }
    return e;
}

double magnitude(const std::vector<qint16> &wave, int from, int to, double hz)
{
    double re = 0.0, im = 0.0;
    for (int i = from; i < to; ++i) {
        re += wave[size_t(i)] * std::cos(2 * Pi * hz * i / Rate);
        im += wave[size_t(i)] * std::sin(2 * Pi * hz * i / Rate);
    }
    return std::hypot(re, im);
}

} // namespace

class TestAlarmSound : public QObject
{
    Q_OBJECT

private slots:
    void pulses_data()
    {
        QTest::addColumn<int>("priority");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("minPulse");   // ms
        QTest::addColumn<double>("maxPulse");
        QTest::addColumn<double>("maxPeriod");  // s
        QTest::newRow("high") << int(AlarmPriority::High) << 10 << 75.0 << 200.0 << 10.0;
        QTest::newRow("medium") << int(AlarmPriority::Medium) << 3 << 125.0 << 250.0 << 20.0;
        QTest::newRow("low") << int(AlarmPriority::Low) << 1 << 125.0 << 250.0 << 60.0;
    }

    void pulses()
    {
        QFETCH(int, priority);
        QFETCH(double, minPulse);
        QFETCH(double, maxPulse);
        const std::vector<qint16> wave = AlarmSound::waveform(AlarmPriority(priority));
        QFETCH(double, maxPeriod);
        QVERIFY(wave.size() > 0);
        QVERIFY(double(wave.size()) / Rate <= maxPeriod);
        const std::vector<Pulse> found = ::pulses(wave);
        QTEST(int(found.size()), "count");
        // Looped, the period ends in silence before the next burst.
        QVERIFY(wave.size() - size_t(found.back().end) > size_t(Rate));

        for (const Pulse &p : found) {
            const double length = (p.end - p.start) * 1000.0 / Rate;
            const std::vector<double> e = envelope(wave, p);
            const double peak = *std::max_element(e.begin(), e.end());
            const auto first = [&](double level) {
                return std::find_if(e.begin(), e.end(), [&](double v) { return v >= level * peak; }) - e.begin();
            };
            const auto last = [&](double level) {
                return e.rend() - std::find_if(e.rbegin(), e.rend(), [&](double v) { return v >= level * peak; });
            };
            // Length whole and between the half-amplitude points; rise and
            // fall from 10 to 90 % a tenth to a fifth of the pulse.
            const double halfLength = (last(0.5) - first(0.5)) * 1000.0 / Rate;
            const double rise = (first(0.9) - first(0.1)) * 1000.0 / Rate;
            const double fall = (last(0.1) - last(0.9)) * 1000.0 / Rate;
            QVERIFY2(length >= minPulse && length <= maxPulse && halfLength >= minPulse && halfLength <= maxPulse,
                     qPrintable(QString("%1 %2").arg(length).arg(halfLength)));
            QVERIFY2(rise >= 0.1 * length && rise <= 0.2 * length && fall >= 0.1 * length && fall <= 0.2 * length,
                     qPrintable(QString("%1 %2 of %3").arg(rise).arg(fall).arg(length)));
        }

        // Spectrum of the steady middle of the first pulse: the strongest
        // component from 150 to 1000 Hz, and its harmonics 2 to 5 within 15 dB.
        const int from = found[0].start + (found[0].end - found[0].start) / 4;
        const int to = found[0].end - (found[0].end - found[0].start) / 4;
        double fundamental = 0.0, strongest = 0.0;
        for (double hz = 150.0; hz <= 1000.0; hz += 1.0) {
            const double m = magnitude(wave, from, to, hz);
            if (m > strongest) {
                strongest = m;
                fundamental = hz;
            }
        }
        for (int k = 2; k <= 5; ++k) {
            const double db = 20.0 * std::log10(magnitude(wave, from, to, k * fundamental) / strongest);
            QVERIFY2(db >= -15.0 && db <= 15.0, qPrintable(QString("harmonic %1: %2 dB").arg(k).arg(db)));
        }
    }

    void wavFile()
    {
        const std::vector<qint16> samples{0, 1, -1, 32767, -32768};
        const QByteArray wav = AlarmSound::wavFile(samples);
        QCOMPARE(wav.size(), 44 + 10);
        QVERIFY(wav.startsWith("RIFF"));
        QVERIFY(wav.mid(8, 8) == "WAVEfmt ");
        QVERIFY(wav.mid(36, 4) == "data");
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 4), quint32(wav.size() - 8));
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 24), quint32(Rate));
        // PCM, mono, 2 bytes a frame, 16 bits; samples little-endian.
        QCOMPARE(wav.mid(20, 2) + wav.mid(22, 2) + wav.mid(32, 4), QByteArray("\1\0\1\0\2\0\20\0", 8));
        QCOMPARE(qFromLittleEndian<qint16>(wav.constData() + 44 + 8), qint16(-32768));
    }
};

QTEST_GUILESS_MAIN(TestAlarmSound)
#include "tst_alarmsound.moc"
