// Writes the replay ECG: six minutes of synthetic V5 at 250 samples/s as
// headerless signed 16-bit little-endian station samples. The heart rate
// wanders between about 70 and 80 bpm; baseline wander, 50 Hz hum and muscle
// noise are all present so that each filter of the display has work to do.
// The output depends only on the fixed seed below.

#include "dsp/tsyntheticecg.h"

#include <QSaveFile>
#include <QString>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Seconds = 6 * 60;
constexpr quint32 Seed = 250;

// A slow swing of the rate plus a gentler, faster one: 75 +/- about 5 bpm.
std::vector<double> heartRateCourse()
{
    const double pi = 3.14159265358979323846;
    std::vector<double> course(Seconds);
    for (int s = 0; s < Seconds; ++s)
        course[size_t(s)] = 75.0 + 3.5 * std::sin(2.0 * pi * s / 150.0) + 1.5 * std::sin(2.0 * pi * s / 37.0 + 1.0);
    return course;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        fprintf(stderr, "usage: cardiolane-ecgdata OUTPUT\n");
        return 2;
    }
    TSyntheticEcgOptions options;
    options.seed = Seed;
    options.baselineWander = true;
    options.mainsHum = true;
    options.muscleNoise = true;
    TSyntheticEcg generator(options);
    const std::vector<qint16> samples = generator.generate(heartRateCourse());

    QByteArray bytes;
    bytes.reserve(int(samples.size() * 2));
    for (qint16 sample : samples) {
        bytes.append(char(quint16(sample) & 0xff));
        bytes.append(char(quint16(sample) >> 8));
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.commit()) {
        fprintf(stderr, "cardiolane-ecgdata: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
