#pragma once

#include "reports/reportpagination.h"
#include "reports/reporttemplate.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>

class ReportContent;

// The station's report engine: lays a report template out on sheets and
// prints them to a PDF file. The caller gives one record count per report
// page; the content answers the values and paints the images while printing.
class ReportEngine
{
    Q_DECLARE_TR_FUNCTIONS(ReportEngine)

public:
    // Dots per inch of the PDF device: strips and text keep their paper size.
    static constexpr int Resolution = 1200;

    // Told before each sheet: its number from 1 and the sheet count.
    using Progress = std::function<void(int sheet, int total)>;

    ReportEngine();

    // Loads a template from a file or resource path; false when it cannot.
    bool loadTemplate(const QString &path);
    const ReportTemplate &layout() const { return m_template; }

    // One entry per report page: how often its data band is printed.
    QVector<int> &recordCounts() { return m_recordCounts; }
    const QVector<int> &recordCounts() const { return m_recordCounts; }

    QVector<ReportSheet> paginate() const;

    // Writes the PDF. The whole document is made in memory first and the
    // previous file at `path` is replaced only once every byte of the new
    // one is on disk; on any failure (a full disk, a file-size limit, a
    // cancel) it stays as it was and ReportError tells why. Callable from any
    // thread, one print at a time.
    void printPdf(const QString &path, ReportContent &content, const Progress &progress = Progress());
    // Makes a running or coming print stop at the next sheet and fail.
    // Thread-safe.
    void cancel() { m_cancelled = true; }

    // Opens a file with the desktop's handler for its type (GUI thread only);
    // false when there is no handler.
    static bool openWithDesktop(const QString &path);

private:
    QByteArray renderPdf(ReportContent &content, const QVector<ReportSheet> &sheets, const Progress &progress);

    ReportTemplate m_template;
    QVector<int> m_recordCounts;
    std::atomic<bool> m_cancelled{false};
};
