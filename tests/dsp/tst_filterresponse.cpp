// Frequency responses of every coefficient table and recursive stage of the
// ECG filter chains, measured from the coefficients.

#include "dsp/firtables.h"
#include "dsp/iircoefficients.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>
#include <vector>

using Response = std::function<double(double)>; // magnitude at f Hz

class TestFilterResponse : public QObject
{
    Q_OBJECT

private slots:
    void tableLayout();
    void printedTablesExact();
    void notchTables_data();
    void notchTables();
    void lowpassTables_data();
    void lowpassTables();
    void baselineTables_data();
    void baselineTables();
    void firstOrderHighPass_data();
    void firstOrderHighPass();
    void recordedStages_data();
    void recordedStages();
};

namespace {

const double Minus3dB = 0.70794578438413791;

std::vector<double> table(const QString &stage, const QString &kind, int rate)
{
    const TFirTable *t = findFirTable(stage, kind, rate);
    if (!t)
        return {};
    return std::vector<double>(t->coefficients, t->coefficients + t->taps);
}

Response firResponse(const std::vector<double> &h, double fs)
{
    return [h, fs](double f) {
        std::complex<double> sum;
        for (size_t k = 0; k < h.size(); ++k)
            sum += h[k] * std::polar(1.0, -2 * M_PI * f / fs * double(k));
        return std::abs(sum);
    };
}

// y[n] = Σ b[k] x[n - k] + Σ a[k] y[n - k]
Response iirResponse(const TIirCoefficients &c, double fs)
{
    return [c, fs](double f) {
        std::complex<double> num, den = 1.0;
        for (size_t k = 0; k < c.b.size(); ++k) {
            const std::complex<double> z = std::polar(1.0, -2 * M_PI * f / fs * double(k));
            num += c.b[k] * z;
            if (k > 0)
                den -= c.a[k] * z;
        }
        return std::abs(num / den);
    };
}

double dB(double gain)
{
    return 20 * std::log10(gain);
}

// Where the magnitude crosses -3 dB first, walking from `from` towards `to`.
double crossing(const Response &h, double from, double to, double step)
{
    const bool above = h(from) > Minus3dB;
    double a = from;
    for (double f = from + step; step > 0 ? f <= to : f >= to; f += step) {
        if ((h(f) > Minus3dB) != above) {
            double lo = a, hi = f;
            for (int i = 0; i < 50; ++i) {
                const double mid = (lo + hi) / 2;
                ((h(mid) > Minus3dB) == above ? lo : hi) = mid;
            }
            return (lo + hi) / 2;
        }
        a = f;
    }
    return NAN;
}

} // namespace

void TestFilterResponse::tableLayout()
{
    struct Row { const char *stage, *kind; int rate, taps; };
    const Row rows[] = {
        {"notch", "50hz", 250, 109},    {"notch", "50hz", 500, 195},    {"notch", "50hz", 1000, 391},
        {"notch", "60hz", 250, 109},    {"notch", "60hz", 500, 195},    {"notch", "60hz", 1000, 391},
        {"lowpass", "40hz", 250, 31},   {"lowpass", "40hz", 500, 12},   {"lowpass", "40hz", 1000, 22},
        {"lowpass", "25hz", 250, 41},   {"lowpass", "25hz", 500, 19},   {"lowpass", "25hz", 1000, 34},
        {"baseline", "fir", 250, 401},  {"baseline", "fir", 500, 679},  {"baseline", "fir", 1000, 1355},
    };
    int count = 0;
    firTables(&count);
    QCOMPARE(count, 15);
    for (const Row &r : rows) {
        const std::vector<double> h = table(r.stage, r.kind, r.rate);
        QCOMPARE(int(h.size()), r.taps);
        for (int k = 0; k < r.taps; ++k)
            QCOMPARE(h[k], h[r.taps - 1 - k]);
    }
    QVERIFY(!findFirTable("notch", "50hz", 300));
    QVERIFY(!findFirTable("lowpass", "30hz", 250));
}

void TestFilterResponse::printedTablesExact()
{
    const double lowpass[21] = {
        -0.000078198, -0.0009110781, -0.0017551255, -0.0022787791, -0.0018310482, 0.0002100381, 0.0038202099,
        0.0078212512, 0.0099305907, 0.0076028637, -0.0005284574, -0.013230312, -0.0260716727, -0.0322275007,
        -0.0246846437, 0.0008470226, 0.043489244, 0.0963716742, 0.1480277931, 0.1857151929, 0.1995218701};
    const double notch[55] = {
        -0.000532467, 0.0016295622, 0.0012896473, -0.0004213658, -0.0018740021, -0.0006959577, 0.0020782683,
        0.0024165822, -0.0010328511, -0.0038652915, -0.0013692518, 0.0039507615, 0.0044406183, -0.0018547823,
        -0.0067241093, -0.0023141524, 0.0065514219, 0.0071918773, -0.0029525014, -0.0104640478, -0.0035262502,
        0.009834415, 0.0106030284, -0.0042931413, -0.0149495289, -0.0049524857, 0.0136460748, 0.0144932509,
        -0.0058020742, -0.0199003666, -0.0064980418, 0.0177153836, 0.0185740742, -0.0073607276, -0.0249166819,
        -0.0080319171, 0.0216904111, 0.0224794405, -0.0088264788, -0.02952541, -0.0094073014, 0.0251797396,
        0.0258163518, -0.0100496319, -0.0332444539, -0.0104775022, 0.0278097391, 0.0282224064, -0.0108951901,
        -0.035663472, -0.0111218609, 0.0292811075, 0.0294245838, -0.0112673151, 0.9634976521};
    const std::vector<double> lp = table("lowpass", "25hz", 250);
    for (int k = 0; k < 21; ++k) {
        QCOMPARE(lp[k], lowpass[k]);
        QCOMPARE(lp[40 - k], lowpass[k]);
    }
    const std::vector<double> n = table("notch", "50hz", 250);
    for (int k = 0; k < 55; ++k) {
        QCOMPARE(n[k], notch[k]);
        QCOMPARE(n[108 - k], notch[k]);
    }
}

void TestFilterResponse::notchTables_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("depth");
    QTest::addColumn<double>("lowEdge");
    QTest::addColumn<double>("highEdge");
    QTest::addColumn<double>("dcGain"); // NaN: no figure to check
    QTest::newRow("50hz 250") << "50hz" << 250 << -87.0 << 47.1 << 52.9 << 1.0025;
    QTest::newRow("50hz 500") << "50hz" << 500 << -60.0 << 47.0 << 53.0 << 1.0;
    QTest::newRow("50hz 1000") << "50hz" << 1000 << -60.0 << 47.5 << 52.5 << 1.0;
    QTest::newRow("60hz 250") << "60hz" << 250 << -88.0 << 57.1 << 62.9 << double(NAN);
    QTest::newRow("60hz 500") << "60hz" << 500 << -60.0 << 57.0 << 63.0 << double(NAN);
    QTest::newRow("60hz 1000") << "60hz" << 1000 << -60.0 << 57.5 << 62.5 << double(NAN);
}

void TestFilterResponse::notchTables()
{
    QFETCH(QString, kind);
    QFETCH(int, rate);
    QFETCH(double, depth);
    QFETCH(double, lowEdge);
    QFETCH(double, highEdge);
    QFETCH(double, dcGain);
    const double f0 = kind == "50hz" ? 50 : 60;
    const Response h = firResponse(table("notch", kind, rate), rate);
    QVERIFY2(std::fabs(dB(h(f0)) - depth) <= 2, qPrintable(QString::number(dB(h(f0)))));
    QVERIFY(std::fabs(crossing(h, f0, f0 - 20, -0.05) - lowEdge) <= 0.3);
    QVERIFY(std::fabs(crossing(h, f0, f0 + 20, 0.05) - highEdge) <= 0.3);
    // Outside the band the notch passes the ECG untouched.
    QVERIFY(std::fabs(dB(h(f0 - 15))) < 0.5);
    QVERIFY(std::fabs(dB(h(f0 + 15))) < 0.5);
    if (!std::isnan(dcGain))
        QVERIFY(std::fabs(h(0) - dcGain) <= 0.002);
}

void TestFilterResponse::lowpassTables_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("corner");
    QTest::addColumn<double>("at50");
    QTest::addColumn<double>("at60"); // NaN: no figure to check
    QTest::addColumn<double>("dcGain");
    QTest::newRow("40hz 250") << "40hz" << 250 << 36.6 << -28.0 << -54.0 << 1.0;
    QTest::newRow("40hz 500") << "40hz" << 500 << 39.6 << -5.0 << double(NAN) << 1.0;
    QTest::newRow("40hz 1000") << "40hz" << 1000 << 41.5 << -4.5 << double(NAN) << 1.0;
    QTest::newRow("25hz 250") << "25hz" << 250 << 22.4 << -63.0 << double(NAN) << 1.0;
    QTest::newRow("25hz 500") << "25hz" << 500 << 24.8 << -17.0 << double(NAN) << 1.0;
    QTest::newRow("25hz 1000") << "25hz" << 1000 << 25.2 << -15.0 << double(NAN) << 1.01;
}

void TestFilterResponse::lowpassTables()
{
    QFETCH(QString, kind);
    QFETCH(int, rate);
    QFETCH(double, corner);
    QFETCH(double, at50);
    QFETCH(double, at60);
    QFETCH(double, dcGain);
    const Response h = firResponse(table("lowpass", kind, rate), rate);
    QVERIFY(std::fabs(crossing(h, 0, rate / 2.0, 0.1) - corner) <= 0.5);
    QVERIFY2(std::fabs(dB(h(50)) - at50) <= 2, qPrintable(QString::number(dB(h(50)))));
    if (!std::isnan(at60))
        QVERIFY(std::fabs(dB(h(60)) - at60) <= 2);
    QVERIFY(std::fabs(h(0) - dcGain) <= 0.002);
}

void TestFilterResponse::baselineTables_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("corner");
    QTest::addColumn<double>("atHalfHz");
    QTest::addColumn<double>("dcGain");
    QTest::newRow("250") << 250 << 0.94 << -11.0 << 0.0;
    QTest::newRow("500") << 500 << 0.67 << -7.0 << -0.069;
    QTest::newRow("1000") << 1000 << 0.67 << -7.0 << -0.067;
}

void TestFilterResponse::baselineTables()
{
    QFETCH(int, rate);
    QFETCH(double, corner);
    QFETCH(double, atHalfHz);
    QFETCH(double, dcGain);
    const std::vector<double> taps = table("baseline", "fir", rate);
    const Response h = firResponse(taps, rate);
    QVERIFY(std::fabs(crossing(h, 0.01, 5, 0.01) - corner) <= 0.05);
    QVERIFY(std::fabs(dB(h(0.5)) - atHalfHz) <= 2);
    double sum = 0;
    for (double v : taps)
        sum += v;
    QVERIFY(std::fabs(sum - dcGain) <= 0.002);
    QVERIFY(std::fabs(dB(h(5))) < 0.5);
}

void TestFilterResponse::firstOrderHighPass_data()
{
    QTest::addColumn<double>("corner");
    QTest::addColumn<int>("rate");
    for (int rate : {250, 500, 1000}) {
        QTest::addRow("dc %d", rate) << 0.05 << rate;
        QTest::addRow("baseline %d", rate) << 0.5 << rate;
    }
}

void TestFilterResponse::firstOrderHighPass()
{
    QFETCH(double, corner);
    QFETCH(int, rate);
    const Response h = iirResponse(IirCoefficients::firstOrderHighPass(corner, rate), rate);
    QVERIFY(std::fabs(crossing(h, corner / 20, corner * 10, corner / 100) - corner) <= corner / 50);
    QVERIFY(h(0) < 1e-12);
    QVERIFY(std::fabs(h(rate / 2.0) - 1) < 0.01);
}

void TestFilterResponse::recordedStages_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("baselineCorner");
    QTest::newRow("500") << 500 << 0.5;
    QTest::newRow("1000") << 1000 << 0.6;
}

void TestFilterResponse::recordedStages()
{
    QFETCH(int, rate);
    QFETCH(double, baselineCorner);
    TIirCoefficients c;
    QVERIFY(IirCoefficients::storedNotch50(rate, c));
    Response h = iirResponse(c, rate);
    // Notch, single pass: about 0.02 at 50 Hz, -3 dB at about 48 and 52 Hz.
    QVERIFY(std::fabs(dB(h(50)) - dB(0.02)) <= 2);
    QVERIFY(std::fabs(crossing(h, 50, 30, -0.05) - 48) <= 0.3);
    QVERIFY(std::fabs(crossing(h, 50, 70, 0.05) - 52) <= 0.3);
    QVERIFY(std::fabs(h(0) - 1) < 0.001);

    QVERIFY(IirCoefficients::storedBaseline(rate, c));
    h = iirResponse(c, rate);
    const double measured = crossing(h, 0.01, 5, 0.01);
    QVERIFY2(std::fabs(measured - baselineCorner) <= 0.05, qPrintable(QString::number(measured)));
    QVERIFY(std::fabs(h(10) - 1) < 0.01);

    // At 250 samples/s the recorded chain uses FIR tables instead.
    QVERIFY(!IirCoefficients::storedNotch50(250, c));
    QVERIFY(!IirCoefficients::storedBaseline(250, c));
}

QTEST_APPLESS_MAIN(TestFilterResponse)
#include "tst_filterresponse.moc"
