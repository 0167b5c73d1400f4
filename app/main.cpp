#include "app/stationstart.h"

int main(int argc, char *argv[])
{
    return StationStart::run(argc, argv);
}
