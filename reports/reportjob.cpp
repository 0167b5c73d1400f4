#include "reports/reportjob.h"

#include "reports/reportproducer.h"
#include "storage/errortext.h"

#include <QCoreApplication>
#include <QtConcurrent>

#include <exception>

ReportJob::ReportJob(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<ReportJobResult>::finished, this,
            [this]() { emit finished(m_watcher.result()); });
}

ReportJob::~ReportJob()
{
    if (m_watcher.isRunning() && m_producer)
        m_producer->cancel();
    m_watcher.waitForFinished();
}

void ReportJob::start(ReportProducer *producer, const QString &path)
{
    m_producer = producer;
    // The producer emits its progress on the printing thread; the queued
    // connection hands it to this object's thread.
    connect(producer, &ReportProducer::progress, this, &ReportJob::progress, Qt::QueuedConnection);
    m_watcher.setFuture(QtConcurrent::run([producer, path]() {
        ReportJobResult result;
        try {
            producer->print(path);
            result.ok = true;
        } catch (const std::exception &e) {
            result.error = QString::fromUtf8(e.what());
        } catch (...) {
            result.error = unspecifiedErrorText();
        }
        return result;
    }));
}
