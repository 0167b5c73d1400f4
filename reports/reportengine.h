#pragma once

#include "reports/reportpagination.h"
#include "reports/reporttemplate.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QVector>

#include <atomic>

class QPainter;

// The station's report engine: prints a report template to a PDF file.
// The caller gives one record count per report page; while printing, the
// engine asks for the value of every bracketed name in a label (setValue),
// has every labelImage field painted (drawing), offers each sheet for an
// overlay (pageOverlay) and tells its progress. setValue, drawing and
// pageOverlay are emitted on the printing thread and must be connected with
// Qt::DirectConnection when the receiver lives elsewhere: their receivers
// write into the arguments.
class ReportEngine : public QObject
{
    Q_OBJECT

public:
    // Dots per inch of the PDF device: strips and text keep their paper size.
    static constexpr int Resolution = 1200;

    explicit ReportEngine(QObject *parent = nullptr);

    // Loads a template from a file or resource path; false when it cannot.
    bool loadTemplate(const QString &path);
    const ReportTemplate &layout() const { return m_template; }

    // One entry per report page: how often its data band is printed.
    QVector<int> &recordCounts() { return m_recordCounts; }
    const QVector<int> &recordCounts() const { return m_recordCounts; }

    QVector<ReportSheet> paginate() const;

    // Writes the PDF. The previous file at `path` is replaced only once the
    // new one is complete; on any failure it stays as it was and ReportError
    // is raised. Callable from any thread, one print at a time.
    void printPdf(const QString &path);
    // Makes a running or coming print stop at the next sheet and fail.
    // Thread-safe.
    void cancel() { m_cancelled = true; }

    // Opens a file with the desktop's handler for its type (GUI thread only);
    // false when there is no handler.
    static bool openWithDesktop(const QString &path);

signals:
    void setValue(int record, const QString &name, QString &value, int reportPage);
    void drawing(int record, const QString &name, QPainter *painter, const QRect &bounds, int reportPage);
    void pageOverlay(QPainter *painter, const QRect &bounds, int reportPage);
    void progress(int page, int total);

private:
    void paintSheet(QPainter &painter, const ReportSheet &sheet, int sheetNumber, int sheetCount);
    void paintField(QPainter &painter, const ReportField &field, const QRectF &rect, bool overDrawing, int record,
                    int reportPage, int sheetNumber, int sheetCount);
    QString substitute(const QString &text, int record, int reportPage, int sheetNumber, int sheetCount);

    ReportTemplate m_template;
    QVector<int> m_recordCounts;
    std::atomic<bool> m_cancelled{false};
};
