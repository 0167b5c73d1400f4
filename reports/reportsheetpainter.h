#pragma once

#include "reports/reportpagination.h"
#include "reports/reporttemplate.h"

#include <QRectF>
#include <QString>

class QPainter;
class ReportContent;

// Longest value a label prints; longer values are cut with an ellipsis, so
// that an absurd text in a record costs no more than a full box.
constexpr int MaxPrintedValueLength = 4000;

// Paints the sheets of a paginated report on any painter whose device knows
// its resolution (a PDF writer, an image): template units become quarter
// millimetres of that device. Labels get their bracketed names from the
// content and are fitted into their boxes; image fields are painted by the
// content, clipped to their box; frames and borders are drawn as the template
// says. Nothing paints outside its band.
class ReportSheetPainter
{
public:
    ReportSheetPainter(const ReportTemplate &layout, ReportContent &content);

    void paint(QPainter &painter, const ReportSheet &sheet, int sheetNumber, int sheetCount) const;

    // The text a label prints: each bracketed name replaced by its value
    // (values are not searched again), <Page> and <TotalPages> by the sheet
    // number and count.
    QString labelText(const QString &text, int record, int reportPage, int sheetNumber, int sheetCount) const;

private:
    void paintField(QPainter &painter, const ReportField &field, const QRectF &rect, int record, int reportPage,
                    int sheetNumber, int sheetCount) const;

    const ReportTemplate &m_layout;
    ReportContent &m_content;
};
