#pragma once

#include <QByteArray>
#include <QStringList>

// Decides whether the Spanish translations are installed at start-up.
// The station is Spanish whenever its translation files are present, unless
// English is asked for: "--lang=en" (or "--lang en") on the command line, or
// the LANGUAGE environment variable starting with English ("en", "en_GB:en").
// "--lang=es" asks for Spanish whatever LANGUAGE says.
class LanguageChoice
{
public:
    static bool wantsSpanish(const QStringList &arguments, const QByteArray &languageVariable);
};
