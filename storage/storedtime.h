#pragma once

#include <QDateTime>
#include <QString>

// Date-times as files, index rows and file names keep them: local time,
// "yyyyMMddHHmmss". Text that does not match reads as an invalid date-time.
namespace StoredTime {

inline QString toText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyyMMddHHmmss"));
}

inline QDateTime fromText(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyyMMddHHmmss"));
}

} // namespace StoredTime
