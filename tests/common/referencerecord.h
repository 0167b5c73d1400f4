#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

// The first `seconds` of a reference ectopy record ("mitdb203") as station
// samples (16-bit little endian, 250/s); empty when the records or xz are absent.
inline QByteArray referenceRecordBytes(const QString &name, int seconds)
{
    const QString path = QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/%1.dat.xz").arg(name);
    if (!QFile::exists(path) || QStandardPaths::findExecutable(QStringLiteral("xz")).isEmpty())
        return QByteArray();
    QProcess xz;
    xz.start(QStringLiteral("xz"), {QStringLiteral("-dc"), path});
    if (!xz.waitForFinished(60000) || xz.exitCode() != 0)
        return QByteArray();
    return xz.readAllStandardOutput().left(seconds * 250 * 2);
}
