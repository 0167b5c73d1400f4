#include "reports/reportjob.h"

#include "reports/reportproducer.h"
#include "storage/errortext.h"

#include <QCoreApplication>
#include <QtConcurrent>

#include <exception>

namespace {

// Jobs started and not yet finished; touched on the GUI thread only.
int runningJobs = 0;

} // namespace

ReportJob::ReportJob(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<ReportJobResult>::finished, this, [this]() {
        setCounted(false);
        emit finished(m_watcher.result());
    });
}

ReportJob::~ReportJob()
{
    cancel();
    m_watcher.waitForFinished();
    setCounted(false);
}

bool ReportJob::anyRunning()
{
    return runningJobs > 0;
}

void ReportJob::setCounted(bool counted)
{
    if (counted != m_counted)
        runningJobs += counted ? 1 : -1;
    m_counted = counted;
}

void ReportJob::cancel()
{
    if (m_producer)
        m_producer->cancel();
}

void ReportJob::start(std::unique_ptr<ReportProducer> producer, const QString &path)
{
    // One print at a time: an earlier one is stopped before its producer goes.
    cancel();
    m_watcher.waitForFinished();
    m_producer = std::move(producer);
    setCounted(true);
    ReportProducer *report = m_producer.get();
    m_watcher.setFuture(QtConcurrent::run([this, report, path]() {
        ReportJobResult result;
        try {
            // Progress reaches this object's thread through its event loop.
            report->print(path, [this](int page, int total) {
                QMetaObject::invokeMethod(this, [this, page, total]() { emit progress(page, total); },
                                          Qt::QueuedConnection);
            });
            result.ok = true;
        } catch (const std::exception &e) {
            result.error = QString::fromUtf8(e.what());
        } catch (...) {
            result.error = unspecifiedErrorText();
        }
        return result;
    }));
}
