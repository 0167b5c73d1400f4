// Designs the fifteen FIR tables of the ECG filter chains and writes them as
// C++ source (firtables.h / firtables.cpp) into the folder given on the command
// line. Two tables (low-pass "25hz" and notch "50hz" at 250 samples/s) are
// fixed coefficient lists and are copied digit for digit; the others are
// designed here from window recipes whose free parameters are searched so that
// the measured response lands on the target figures. Everything is
// deterministic: running it again gives the same file.

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using Coefficients = std::vector<double>;

const double Pi = 3.14159265358979323846;

// Magnitude of the response of h at f Hz for sampling rate fs.
double magnitude(const Coefficients &h, double f, double fs)
{
    const double w = 2.0 * Pi * f / fs;
    double re = 0.0, im = 0.0;
    for (size_t k = 0; k < h.size(); ++k) {
        re += h[k] * std::cos(w * double(k));
        im -= h[k] * std::sin(w * double(k));
    }
    return std::hypot(re, im);
}

double decibels(double gain)
{
    return 20.0 * std::log10(std::max(gain, 1e-300));
}

double dcGain(const Coefficients &h)
{
    double s = 0.0;
    for (double v : h)
        s += v;
    return s;
}

// First frequency from `from` moving by `step` where the magnitude crosses
// `level` (either way), refined by bisection. NaN when none before `to`.
double crossing(const Coefficients &h, double fs, double level, double from, double to, double step)
{
    const bool startAbove = magnitude(h, from, fs) > level;
    double a = from;
    for (double f = from + step; step > 0 ? f <= to : f >= to; f += step) {
        if ((magnitude(h, f, fs) > level) != startAbove) {
            double lo = a, hi = f;
            for (int i = 0; i < 60; ++i) {
                const double mid = 0.5 * (lo + hi);
                if ((magnitude(h, mid, fs) > level) == startAbove)
                    lo = mid;
                else
                    hi = mid;
            }
            return 0.5 * (lo + hi);
        }
        a = f;
    }
    return std::nan("");
}

const double Minus3dB = 0.70794578438413791; // 10^(-3/20)

double besselI0(double x)
{
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 200; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-18)
            break;
    }
    return sum;
}

double kaiser(int k, int taps, double beta)
{
    if (taps == 1)
        return 1.0;
    const double r = 2.0 * k / (taps - 1) - 1.0;
    return besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
}

double hamming(int k, int taps)
{
    if (taps == 1)
        return 1.0;
    return 0.54 - 0.46 * std::cos(2.0 * Pi * k / (taps - 1));
}

double sinc(double x)
{
    return x == 0.0 ? 1.0 : std::sin(Pi * x) / (Pi * x);
}

// Windowed-sinc low-pass with cut-off fc, centred at (taps - 1) / 2.
// Scaled to DC gain `gain` when gain > 0, left as 2 fc / fs sinc otherwise.
Coefficients lowPass(int taps, double fs, double fc, const std::function<double(int)> &window, double gain)
{
    Coefficients h(taps);
    const double centre = (taps - 1) / 2.0;
    const double nfc = 2.0 * fc / fs;
    for (int k = 0; k < taps; ++k)
        h[k] = nfc * sinc(nfc * (k - centre)) * window(k);
    if (gain > 0) {
        const double s = gain / dcGain(h);
        for (double &v : h)
            v *= s;
    }
    return h;
}

// Unit impulse at the centre minus a low-pass: a high-pass of odd length.
Coefficients impulseMinus(const Coefficients &lp)
{
    Coefficients h(lp.size());
    for (size_t k = 0; k < lp.size(); ++k)
        h[k] = -lp[k];
    h[lp.size() / 2] += 1.0;
    return h;
}

// Unit impulse minus a windowed cosine band-pass at f0, scaled so that the
// residual gain at f0 is `residual` (the notch depth). The band-pass has its
// small DC leak removed (a multiple of the window is subtracted), so the
// notch passes DC with gain exactly 1.
Coefficients notch(int taps, double fs, double f0, double beta, double residual)
{
    const int centre = taps / 2;
    const double w0 = 2.0 * Pi * f0 / fs;
    Coefficients bp(taps), window(taps);
    double leak = 0.0, windowSum = 0.0;
    for (int k = 0; k < taps; ++k) {
        window[k] = kaiser(k, taps, beta);
        bp[k] = window[k] * std::cos(w0 * (k - centre));
        leak += bp[k];
        windowSum += window[k];
    }
    double atF0 = 0.0;
    for (int k = 0; k < taps; ++k) {
        bp[k] -= leak / windowSum * window[k];
        atF0 += bp[k] * std::cos(w0 * (k - centre));
    }
    const double s = (1.0 - residual) / atF0;
    for (double &v : bp)
        v *= s;
    return impulseMinus(bp);
}

// Minimises cost over a box by a grid search that zooms in on the best point.
std::vector<double> search(const std::function<double(const std::vector<double> &)> &cost,
                           std::vector<double> lo, std::vector<double> hi)
{
    const int dims = int(lo.size());
    const int steps = dims == 1 ? 40 : 14;
    const std::vector<double> lower = lo, upper = hi;
    std::vector<double> best(dims);
    for (int round = 0; round < 8; ++round) {
        double bestCost = INFINITY;
        std::vector<int> idx(dims, 0);
        for (;;) {
            std::vector<double> p(dims);
            for (int d = 0; d < dims; ++d)
                p[d] = lo[d] + (hi[d] - lo[d]) * idx[d] / steps;
            const double c = cost(p);
            if (c < bestCost) {
                bestCost = c;
                best = p;
            }
            int d = 0;
            while (d < dims && ++idx[d] > steps)
                idx[d++] = 0;
            if (d == dims)
                break;
        }
        for (int d = 0; d < dims; ++d) {
            const double span = (hi[d] - lo[d]) / steps * 2.0;
            lo[d] = std::max(lower[d], best[d] - span);
            hi[d] = std::min(upper[d], best[d] + span);
        }
    }
    return best;
}

double sq(double v)
{
    return v * v;
}

struct Table
{
    std::string stage, kind;
    int rate = 0;
    int taps = 0;
    Coefficients h;
    std::vector<std::string> printed; // first half as printed, when fixed
};

Table fixedTable(const char *stage, const char *kind, int rate, int taps, const std::vector<std::string> &half)
{
    Table t{stage, kind, rate, taps, Coefficients(taps), half};
    for (size_t k = 0; k < half.size(); ++k) {
        t.h[k] = std::stod(half[k]);
        t.h[taps - 1 - k] = t.h[k];
    }
    return t;
}

Table notchTable(const char *kind, int rate, int taps, double f0, double depthDb, double edgeLo, double edgeHi)
{
    const double residual = std::pow(10.0, depthDb / 20.0);
    auto design = [&](double beta) { return notch(taps, rate, f0, beta, residual); };
    const std::vector<double> best = search(
        [&](const std::vector<double> &p) {
            const Coefficients h = design(p[0]);
            const double lo = crossing(h, rate, Minus3dB, f0, f0 - 20, -0.05);
            const double hi = crossing(h, rate, Minus3dB, f0, f0 + 20, 0.05);
            if (std::isnan(lo) || std::isnan(hi))
                return 1e9;
            return sq(lo - edgeLo) + sq(hi - edgeHi);
        },
        {0.5}, {12.0});
    std::printf("notch %s %d: kaiser beta %.6f\n", kind, rate, best[0]);
    return {"notch", kind, rate, taps, design(best[0]), {}};
}

Table hammingLowPass(const char *kind, int rate, int taps, double corner)
{
    auto design = [&](double fc) {
        return lowPass(taps, rate, fc, [taps](int k) { return hamming(k, taps); }, 1.0);
    };
    const std::vector<double> best = search(
        [&](const std::vector<double> &p) {
            const double c = crossing(design(p[0]), rate, Minus3dB, 0.0, rate / 2.0, 0.1);
            return std::isnan(c) ? 1e9 : sq(c - corner);
        },
        {corner * 0.8}, {corner * 2.0});
    std::printf("low-pass %s %d: hamming cut-off %.6f Hz\n", kind, rate, best[0]);
    return {"lowpass", kind, rate, taps, design(best[0]), {}};
}

Table kaiserLowPass(const char *kind, int rate, int taps, double corner, double at50Db, double gain)
{
    auto design = [&](double fc, double beta) {
        return lowPass(taps, rate, fc, [taps, beta](int k) { return kaiser(k, taps, beta); }, gain);
    };
    const std::vector<double> best = search(
        [&](const std::vector<double> &p) {
            const Coefficients h = design(p[0], p[1]);
            const double c = crossing(h, rate, Minus3dB, 0.0, rate / 2.0, 0.1);
            if (std::isnan(c))
                return 1e9;
            return sq((c - corner) / 0.1) + sq((decibels(magnitude(h, 50.0, rate)) - at50Db) / 0.5);
        },
        {corner, 0.0}, {corner * 2.0, 8.0});
    std::printf("low-pass %s %d: kaiser cut-off %.6f Hz beta %.6f\n", kind, rate, best[0], best[1]);
    return {"lowpass", kind, rate, taps, design(best[0], best[1]), {}};
}

// High-pass made of a unit impulse minus an unnormalised Kaiser sinc
// low-pass; the cut-off and window set the corner, the 0.5 Hz attenuation and
// the (slightly negative) DC gain together.
Table baselineTable(int rate, int taps, double corner, double atHalfDb, double dc)
{
    auto design = [&](double fc, double beta) {
        return impulseMinus(lowPass(taps, rate, fc, [taps, beta](int k) { return kaiser(k, taps, beta); }, 0.0));
    };
    const std::vector<double> best = search(
        [&](const std::vector<double> &p) {
            const Coefficients h = design(p[0], p[1]);
            const double c = crossing(h, rate, Minus3dB, 0.01, 5.0, 0.01);
            if (std::isnan(c))
                return 1e9;
            return sq((c - corner) / 0.01) + sq((decibels(magnitude(h, 0.5, rate)) - atHalfDb) / 0.5)
                 + sq((dcGain(h) - dc) / 0.005);
        },
        {0.3, 0.0}, {0.8, 6.0});
    std::printf("baseline fir %d: kaiser cut-off %.6f Hz beta %.6f\n", rate, best[0], best[1]);
    return {"baseline", "fir", rate, taps, design(best[0], best[1]), {}};
}

void report(const Table &t)
{
    const double fs = t.rate;
    std::printf("  %-8s %-4s %4d %4d taps: DC %.5f", t.stage.c_str(), t.kind.c_str(), t.rate, t.taps, dcGain(t.h));
    if (t.stage == "notch") {
        const double f0 = t.kind == "50hz" ? 50.0 : 60.0;
        std::printf(", %.1f dB at %.0f Hz, -3 dB %.3f-%.3f Hz\n", decibels(magnitude(t.h, f0, fs)), f0,
                    crossing(t.h, fs, Minus3dB, f0, f0 - 20, -0.05), crossing(t.h, fs, Minus3dB, f0, f0 + 20, 0.05));
    } else if (t.stage == "lowpass") {
        std::printf(", -3 dB at %.3f Hz, %.1f dB at 50 Hz, %.1f dB at 60 Hz\n",
                    crossing(t.h, fs, Minus3dB, 0.0, fs / 2, 0.1), decibels(magnitude(t.h, 50.0, fs)),
                    decibels(magnitude(t.h, 60.0, fs)));
    } else {
        std::printf(", -3 dB at %.4f Hz, %.2f dB at 0.5 Hz\n", crossing(t.h, fs, Minus3dB, 0.01, 5.0, 0.01),
                    decibels(magnitude(t.h, 0.5, fs)));
    }
}

std::string identifier(const Table &t)
{
    std::string kind = t.kind;
    return t.stage + "_" + kind + "_" + std::to_string(t.rate);
}

bool writeFiles(const std::string &folder, const std::vector<Table> &tables)
{
    const char *banner = "// Generated by cardiolane-firdesign (tools/firdesign/firdesign.cpp); do not edit.\n";
    FILE *header = std::fopen((folder + "/firtables.h").c_str(), "w");
    if (!header)
        return false;
    std::fprintf(header, "%s", banner);
    std::fprintf(header,
                 "#pragma once\n\n#include <QString>\n\n"
                 "// One symmetric FIR coefficient table of the ECG filter chains. Its delay\n"
                 "// is taps / 2 (integer division) wherever it is used.\n"
                 "struct TFirTable\n{\n    const char *stage; // \"notch\", \"lowpass\" or \"baseline\"\n"
                 "    const char *kind;  // \"50hz\" / \"60hz\", \"25hz\" / \"40hz\", \"fir\"\n"
                 "    int rate;\n    int taps;\n    const double *coefficients;\n};\n\n"
                 "// Every table, and the one for a stage, kind and rate (null when none).\n"
                 "const TFirTable *firTables(int *count);\n"
                 "const TFirTable *findFirTable(const QString &stage, const QString &kind, int rate);\n");
    std::fclose(header);

    FILE *out = std::fopen((folder + "/firtables.cpp").c_str(), "w");
    if (!out)
        return false;
    std::fprintf(out, "%s", banner);
    std::fprintf(out, "#include \"firtables.h\"\n\nnamespace {\n\n");
    for (const Table &t : tables) {
        std::fprintf(out, "const double %s[%d] = {\n", identifier(t).c_str(), t.taps);
        for (int k = 0; k < t.taps; ++k) {
            char text[64];
            if (!t.printed.empty()) {
                const int m = k < int(t.printed.size()) ? k : t.taps - 1 - k;
                std::snprintf(text, sizeof text, "%s", t.printed[m].c_str());
            } else {
                std::snprintf(text, sizeof text, "%.17g", t.h[k]);
            }
            std::fprintf(out, "    %s,\n", text);
        }
        std::fprintf(out, "};\n\n");
    }
    std::fprintf(out, "const TFirTable tables[] = {\n");
    for (const Table &t : tables)
        std::fprintf(out, "    {\"%s\", \"%s\", %d, %d, %s},\n", t.stage.c_str(), t.kind.c_str(), t.rate, t.taps,
                     identifier(t).c_str());
    std::fprintf(out, "};\n\n} // namespace\n\n");
    std::fprintf(out,
                 "const TFirTable *firTables(int *count)\n{\n"
                 "    *count = int(sizeof tables / sizeof tables[0]);\n    return tables;\n}\n\n"
                 "const TFirTable *findFirTable(const QString &stage, const QString &kind, int rate)\n{\n"
                 "    for (const TFirTable &t : tables) {\n"
                 "        if (t.rate == rate && stage == QLatin1String(t.stage) && kind == QLatin1String(t.kind))\n"
                 "            return &t;\n    }\n    return nullptr;\n}\n");
    std::fclose(out);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: cardiolane-firdesign <output folder>\n");
        return 2;
    }
    std::vector<Table> tables;

    // Notches: band-stop 3 dB edges and depth as measured on the reference tables.
    tables.push_back(fixedTable("notch", "50hz", 250, 109, {
        "-0.000532467", "0.0016295622", "0.0012896473", "-0.0004213658", "-0.0018740021", "-0.0006959577",
        "0.0020782683", "0.0024165822", "-0.0010328511", "-0.0038652915", "-0.0013692518", "0.0039507615",
        "0.0044406183", "-0.0018547823", "-0.0067241093", "-0.0023141524", "0.0065514219", "0.0071918773",
        "-0.0029525014", "-0.0104640478", "-0.0035262502", "0.009834415", "0.0106030284", "-0.0042931413",
        "-0.0149495289", "-0.0049524857", "0.0136460748", "0.0144932509", "-0.0058020742", "-0.0199003666",
        "-0.0064980418", "0.0177153836", "0.0185740742", "-0.0073607276", "-0.0249166819", "-0.0080319171",
        "0.0216904111", "0.0224794405", "-0.0088264788", "-0.02952541", "-0.0094073014", "0.0251797396",
        "0.0258163518", "-0.0100496319", "-0.0332444539", "-0.0104775022", "0.0278097391", "0.0282224064",
        "-0.0108951901", "-0.035663472", "-0.0111218609", "0.0292811075", "0.0294245838", "-0.0112673151",
        "0.9634976521"}));
    tables.push_back(notchTable("50hz", 500, 195, 50.0, -60.0, 47.0, 53.0));
    tables.push_back(notchTable("50hz", 1000, 391, 50.0, -60.0, 47.5, 52.5));
    tables.push_back(notchTable("60hz", 250, 109, 60.0, -88.0, 57.1, 62.9));
    tables.push_back(notchTable("60hz", 500, 195, 60.0, -60.0, 57.0, 63.0));
    tables.push_back(notchTable("60hz", 1000, 391, 60.0, -60.0, 57.5, 62.5));

    // Low-pass "40hz".
    tables.push_back({"lowpass", "40hz", 250, 31,
                      lowPass(31, 250, 40.0, [](int k) { return hamming(k, 31); }, 1.0), {}});
    tables.push_back(hammingLowPass("40hz", 500, 12, 39.6));
    tables.push_back(hammingLowPass("40hz", 1000, 22, 41.5));

    // Low-pass "25hz".
    tables.push_back(fixedTable("lowpass", "25hz", 250, 41, {
        "-0.000078198", "-0.0009110781", "-0.0017551255", "-0.0022787791", "-0.0018310482", "0.0002100381",
        "0.0038202099", "0.0078212512", "0.0099305907", "0.0076028637", "-0.0005284574", "-0.013230312",
        "-0.0260716727", "-0.0322275007", "-0.0246846437", "0.0008470226", "0.043489244", "0.0963716742",
        "0.1480277931", "0.1857151929", "0.1995218701"}));
    tables.push_back(kaiserLowPass("25hz", 500, 19, 24.8, -17.0, 1.0));
    tables.push_back(kaiserLowPass("25hz", 1000, 34, 25.2, -15.0, 1.01));

    // Baseline high-pass.
    tables.push_back({"baseline", "fir", 250, 401,
                      impulseMinus(lowPass(401, 250, 0.6255, [](int k) { return hamming(k, 401); }, 1.0)), {}});
    tables.push_back(baselineTable(500, 679, 0.67, -7.0, -0.069));
    tables.push_back(baselineTable(1000, 1355, 0.67, -7.0, -0.067));

    std::printf("measured responses:\n");
    for (const Table &t : tables)
        report(t);
    if (!writeFiles(argv[1], tables)) {
        std::fprintf(stderr, "cannot write the tables into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
