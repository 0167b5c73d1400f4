#pragma once

#include <QFile>
#include <QtTest>

// Puts exactly these bytes in a file, replacing what it held.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
