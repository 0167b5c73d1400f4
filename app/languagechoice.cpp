#include "app/languagechoice.h"

namespace {

bool isEnglish(const QString &language)
{
    return language.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0
        || language.startsWith(QLatin1String("en_"), Qt::CaseInsensitive)
        || language.startsWith(QLatin1String("en-"), Qt::CaseInsensitive)
        || language.startsWith(QLatin1String("en."), Qt::CaseInsensitive);
}

} // namespace

bool LanguageChoice::wantsSpanish(const QStringList &arguments, const QByteArray &languageVariable)
{
    // The command line wins; the last --lang given counts.
    QString asked;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.startsWith(QLatin1String("--lang=")))
            asked = argument.mid(7);
        else if (argument == QLatin1String("--lang") && i + 1 < arguments.size())
            asked = arguments.at(++i);
    }
    if (!asked.isEmpty())
        return !isEnglish(asked);

    // LANGUAGE is a colon-separated list of preferences; the first one counts.
    const QString preferred = QString::fromLocal8Bit(languageVariable).section(QLatin1Char(':'), 0, 0);
    return !isEnglish(preferred.trimmed());
}
