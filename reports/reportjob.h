#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>

class ReportProducer;

// What a print ended with.
struct ReportJobResult
{
    bool ok = false;
    QString error; // the message for the user when not ok
};

// Prints a report on the application's thread pool, so that the windows and
// the live monitoring go on meanwhile, and tells the thread that started it
// about the progress and the end. The producer must outlive the job's run.
class ReportJob : public QObject
{
    Q_OBJECT

public:
    explicit ReportJob(QObject *parent = nullptr);
    // Cancels a running print and waits for it.
    ~ReportJob() override;

    void start(ReportProducer *producer, const QString &path);
    bool isRunning() const { return m_watcher.isRunning(); }
    // Blocks until the print has ended (the finished signal still comes
    // through the event loop).
    void wait() { m_watcher.waitForFinished(); }

signals:
    void progress(int page, int total);
    void finished(const ReportJobResult &result);

private:
    QFutureWatcher<ReportJobResult> m_watcher;
    ReportProducer *m_producer = nullptr;
};
