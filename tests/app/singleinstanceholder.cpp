// Test helper: holds the single-instance key given as its argument until its
// standard input closes (or it is killed). Prints "claimed" or "refused".

#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2)
        return 2;
    SingleInstance instance(app.arguments().at(1));
    if (!instance.claim()) {
        std::puts("refused");
        return 3;
    }
    std::puts("claimed");
    std::fflush(stdout);
    QFile input;
    if (input.open(stdin, QIODevice::ReadOnly))
        input.readAll();
    return 0;
}
