#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

// Reference data lies beside the repository, never in it. A file that is not
// there skips the test. One that is there but cannot be read (no xz, a damaged
// archive, no permission) skips on a workstation but fails in continuous
// integration (CI=true), where a skip would hide a broken runner.
struct ReferenceData
{
    QByteArray bytes;
    bool absent = false;
    QString problem; // why present data could not be read; empty when read
};

inline bool referenceDataMustBeRead()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

// Skips or fails the calling test function unless `data` was read.
#define REQUIRE_REFERENCE_DATA(data)                                          \
    do {                                                                      \
        const ReferenceData &required_ = (data);                              \
        if (required_.absent)                                                 \
            QSKIP("reference data not available");                           \
        if (!required_.problem.isEmpty()) {                                   \
            if (referenceDataMustBeRead())                                    \
                QFAIL(qPrintable(required_.problem));                         \
            QSKIP(qPrintable(required_.problem));                             \
        }                                                                     \
    } while (false)

// A file of the shared data folder, e.g. "mitdb100-v5.dat".
inline ReferenceData readSharedDataFile(const QString &relativePath)
{
    ReferenceData data;
    QFile file(QStringLiteral(CARDIOLANE_SHARED_DATA "/") + relativePath);
    if (!file.exists())
        data.absent = true;
    else if (!file.open(QIODevice::ReadOnly))
        data.problem = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
    else
        data.bytes = file.readAll();
    return data;
}

// A compressed reference ectopy record ("mitdb203") unpacked; `seconds` > 0
// keeps only its first seconds (16-bit little-endian samples, 250/s).
inline ReferenceData readReferenceRecord(const QString &name, int seconds = 0)
{
    ReferenceData data;
    const QString path = QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/%1.dat.xz").arg(name);
    if (!QFile::exists(path)) {
        data.absent = true;
        return data;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("xz")).isEmpty()) {
        data.problem = QStringLiteral("xz is not installed; cannot unpack %1").arg(path);
        return data;
    }
    QProcess xz;
    xz.start(QStringLiteral("xz"), {QStringLiteral("-dc"), path});
    if (!xz.waitForFinished(60000) || xz.exitStatus() != QProcess::NormalExit || xz.exitCode() != 0) {
        data.problem = QStringLiteral("cannot unpack %1: %2").arg(path, QString::fromLocal8Bit(xz.readAllStandardError()).trimmed());
        return data;
    }
    data.bytes = xz.readAllStandardOutput();
    if (seconds > 0)
        data.bytes.truncate(seconds * 250 * 2);
    return data;
}
