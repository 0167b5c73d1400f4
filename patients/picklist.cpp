#include "patients/picklist.h"

#include <QSettings>

namespace PickList {

QStringList entries(const QString &key)
{
    return QSettings().value(key).toStringList();
}

void learn(const QString &key, const QString &text)
{
    const QString entry = text.trimmed();
    if (entry.isEmpty())
        return;
    QSettings settings;
    QStringList list = settings.value(key).toStringList();
    if (list.contains(entry, Qt::CaseSensitive))
        return;
    list.append(entry);
    settings.setValue(key, list);
}

} // namespace PickList
