#include "benchmark.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

struct Entry
{
    QString name;
    std::function<void()> run;
};

std::vector<Entry> &entries()
{
    static std::vector<Entry> list;
    return list;
}

} // namespace

namespace Benchmarks {

bool add(const QString &name, const std::function<void()> &run)
{
    entries().push_back({name, run});
    return true;
}

void report(const QString &name, double value, const QString &unit)
{
    printf("%s %.4g %s\n", qPrintable(name), value, qPrintable(unit));
    fflush(stdout);
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

int runSeconds(int byDefault, int least)
{
    return qEnvironmentVariableIsSet("CARDIOLANE_BENCH_SECONDS")
               ? std::max(least, qEnvironmentVariableIntValue("CARDIOLANE_BENCH_SECONDS"))
               : byDefault;
}

void isolateSettings(const QString &folder)
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

} // namespace Benchmarks

// Usage: cardiolane-bench [name-filter...]  (runs the benchmarks whose name
// contains any of the filters; all of them without arguments)
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList filters = app.arguments().mid(1);
    for (const Entry &e : entries()) {
        bool wanted = filters.isEmpty();
        for (const QString &f : filters)
            wanted = wanted || e.name.contains(f);
        if (wanted)
            e.run();
    }
    return 0;
}
