#pragma once

// The station's process start: identity, translations, single instance, style
// sheet, start window and the one place where fatal errors are shown.
class StationStart
{
public:
    static int run(int &argc, char **argv);

    static const char *organizationName() { return "Norvane"; }
    static const char *applicationName() { return "Cardiolane"; }
    static const char *applicationVersion() { return "1.04b"; }
};
