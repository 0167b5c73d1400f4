#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <memory>

class ReportProducer;

// What a print ended with.
struct ReportJobResult
{
    bool ok = false;
    QString error; // the message for the user when not ok
};

// Prints a report on the application's thread pool, so that the windows and
// the live monitoring go on meanwhile, and tells the thread that started it
// about the progress and the end. The job owns the producer it prints.
class ReportJob : public QObject
{
    Q_OBJECT

public:
    explicit ReportJob(QObject *parent = nullptr);
    // Cancels a running print and waits for it.
    ~ReportJob() override;

    void start(std::unique_ptr<ReportProducer> producer, const QString &path);
    bool isRunning() const { return m_watcher.isRunning(); }
    // Makes a running print stop at its next sheet and fail; the file it
    // would have replaced stays as it was.
    void cancel();
    // Blocks until the print has ended (the finished signal still comes
    // through the event loop).
    void wait() { m_watcher.waitForFinished(); }

    // Whether a report is being printed anywhere in the program, asked
    // before the station closes.
    static bool anyRunning();

signals:
    void progress(int page, int total);
    void finished(const ReportJobResult &result);

private:
    void setCounted(bool counted);

    QFutureWatcher<ReportJobResult> m_watcher;
    std::unique_ptr<ReportProducer> m_producer;
    bool m_counted = false;
};
