#include "storage/sessioninfo.h"

#include "storage/storedtime.h"

QJsonObject SessionInfo::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("baseFilename"), baseFilename);
    o.insert(QStringLiteral("startDateTime"), StoredTime::toText(startDateTime));
    o.insert(QStringLiteral("presence"), presence);
    return o;
}

void SessionInfo::readJson(const QJsonObject &object)
{
    baseFilename = object.value(QStringLiteral("baseFilename")).toString();
    startDateTime = StoredTime::fromText(object.value(QStringLiteral("startDateTime")).toString());
    presence = object.value(QStringLiteral("presence")).toBool(false);
}
