#include "storage/sessioninfo.h"

namespace {
const char *const DateTimeFormat = "yyyyMMddHHmmss";
}

QJsonObject SessionInfo::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("baseFilename"), baseFilename);
    o.insert(QStringLiteral("startDateTime"), startDateTime.toString(QLatin1String(DateTimeFormat)));
    o.insert(QStringLiteral("presence"), presence);
    return o;
}

void SessionInfo::readJson(const QJsonObject &object)
{
    baseFilename = object.value(QStringLiteral("baseFilename")).toString();
    startDateTime = QDateTime::fromString(object.value(QStringLiteral("startDateTime")).toString(),
                                          QLatin1String(DateTimeFormat));
    presence = object.value(QStringLiteral("presence")).toBool(false);
}
