#include "reports/reportengine.h"

#include "reports/reporterror.h"
#include "reports/reportsheetpainter.h"
#include "reports/textfit.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QUrl>

namespace {

QPageLayout pageLayout(const ReportPageLayout &page)
{
    const QPageSize size(QSizeF(page.pageWidth / 4.0, page.pageHeight / 4.0), QPageSize::Millimeter);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

[[noreturn]] void writeFailed(const QString &path, const QString &reason)
{
    throw ReportError(ReportEngine::tr("The report could not be written to %1: %2. An earlier report of that name, "
                                       "if any, is unchanged.")
                          .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), reason)
                          .toStdString());
}

} // namespace

ReportEngine::ReportEngine()
{
    registerPrintFonts();
}

bool ReportEngine::loadTemplate(const QString &path)
{
    return m_template.load(path);
}

QVector<ReportSheet> ReportEngine::paginate() const
{
    return paginateReport(m_template, m_recordCounts);
}

void ReportEngine::printPdf(const QString &path, ReportContent &content, const Progress &progress)
{
    const QVector<ReportSheet> sheets = paginate();
    if (sheets.isEmpty())
        throw ReportError(tr("The report has no page").toStdString());
    const QByteArray pdf = renderPdf(content, sheets, progress);
    if (pdf.isEmpty())
        writeFailed(path, tr("the PDF writer did not start"));

    // Every byte is checked before the new file takes the place of the old:
    // a write cut short by a full disk or a file-size limit must never leave
    // a truncated report behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        writeFailed(path, file.errorString());
    for (qint64 written = 0; written < pdf.size();) {
        const qint64 n = file.write(pdf.constData() + written, pdf.size() - written);
        if (n <= 0)
            writeFailed(path, file.errorString());
        written += n;
    }
    if (!file.flush() || !file.commit())
        writeFailed(path, file.errorString());
}

QByteArray ReportEngine::renderPdf(ReportContent &content, const QVector<ReportSheet> &sheets,
                                   const Progress &progress)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(Resolution);
        writer.setCreator(QStringLiteral("Norvane TAVO"));
        writer.setPageLayout(pageLayout(m_template.pages()[sheets.first().reportPage]));
        QPainter painter;
        if (!painter.begin(&writer))
            return QByteArray();
        const ReportSheetPainter sheetPainter(m_template, content);
        for (int i = 0; i < sheets.size(); ++i) {
            if (m_cancelled)
                throw ReportError(tr("The report was cancelled").toStdString());
            if (i > 0) {
                writer.setPageLayout(pageLayout(m_template.pages()[sheets[i].reportPage]));
                writer.newPage();
            }
            if (progress)
                progress(i + 1, sheets.size());
            sheetPainter.paint(painter, sheets[i], i + 1, sheets.size());
        }
        painter.end();
    }
    return pdf;
}

bool ReportEngine::openWithDesktop(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}
