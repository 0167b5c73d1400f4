#pragma once

#include <QString>
#include <QStringList>

// The pick lists that learn what users type (exercise types, adaptation
// ratings, cities...), kept as string lists in the application settings.
namespace PickList {

// The stored entries of the list under `key`; empty when there is none.
QStringList entries(const QString &key);

// Appends `text`, trimmed, unless it is empty or already listed (exact,
// case-sensitive match). The stored list is read again first, so entries
// learnt meanwhile by another window stay.
void learn(const QString &key, const QString &text);

} // namespace PickList
