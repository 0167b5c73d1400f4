#include "reports/reportsheetpainter.h"

#include "reports/reportcontent.h"
#include "reports/textfit.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRegularExpression>

namespace {

// Template units are quarter millimetres: 101.6 units an inch.
constexpr double UnitsPerInch = 25.4 * 4.0;

double pixelsPerUnitX(const QPaintDevice *device)
{
    return device->logicalDpiX() / UnitsPerInch;
}

double pixelsPerUnitY(const QPaintDevice *device)
{
    return device->logicalDpiY() / UnitsPerInch;
}

void drawBorders(QPainter &painter, const ReportField &field, const QRectF &r)
{
    const double width = field.borderWidth * pixelsPerUnitX(painter.device());
    const struct { QColor color; QLineF line; } sides[] = {
        {field.borderTop, QLineF(r.topLeft(), r.topRight())},
        {field.borderBottom, QLineF(r.bottomLeft(), r.bottomRight())},
        {field.borderLeft, QLineF(r.topLeft(), r.bottomLeft())},
        {field.borderRight, QLineF(r.topRight(), r.bottomRight())},
    };
    for (const auto &side : sides) {
        if (side.color.alpha() == 0 || width <= 0.0)
            continue;
        painter.setPen(QPen(side.color, width, Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(side.line);
    }
}

QFont fieldFont(const ReportField &field)
{
    QFont font(printFontFamily(field.fontFamily));
    font.setPointSizeF(field.fontSize);
    font.setBold(field.bold);
    font.setItalic(field.italic);
    font.setUnderline(field.underline);
    font.setStrikeOut(field.strikeout);
    return font;
}

// A band-relative area on `device`, for a band placed `bandTop` units from
// the top of a page with `page`'s margins.
QRectF deviceRect(const QPaintDevice *device, const ReportPageLayout &page, int bandTop, int left, int top, int width,
                  int height)
{
    const double x = pixelsPerUnitX(device), y = pixelsPerUnitY(device);
    return QRectF((page.marginLeft + left) * x, (bandTop + top) * y, width * x, height * y);
}

QString bounded(const QString &value)
{
    if (value.size() <= MaxPrintedValueLength)
        return value;
    return value.left(MaxPrintedValueLength - 1) + QChar(0x2026);
}

} // namespace

ReportSheetPainter::ReportSheetPainter(const ReportTemplate &layout, ReportContent &content)
    : m_layout(layout)
    , m_content(content)
{
    registerPrintFonts();
}

void ReportSheetPainter::paint(QPainter &painter, const ReportSheet &sheet, int sheetNumber, int sheetCount) const
{
    const ReportPageLayout &page = m_layout.pages()[sheet.reportPage];
    const int bandWidth = page.pageWidth - page.marginLeft - page.marginRight;
    for (const PlacedBand &placed : sheet.bands) {
        const ReportBand &band = page.bands[placed.band];
        const QRectF bandRect = deviceRect(painter.device(), page, placed.top, 0, 0, bandWidth, band.height);
        for (const ReportField &field : band.fields) {
            if (!field.printing || field.type == FieldType::Other)
                continue;
            painter.save();
            painter.setClipRect(bandRect, Qt::IntersectClip);
            paintField(painter, field,
                       deviceRect(painter.device(), page, placed.top, field.left, field.top, field.width, field.height),
                       placed.record, sheet.reportPage, sheetNumber, sheetCount);
            painter.restore();
        }
    }
}

void ReportSheetPainter::paintField(QPainter &painter, const ReportField &field, const QRectF &rect, int record,
                                    int reportPage, int sheetNumber, int sheetCount) const
{
    if (field.background.alpha() > 0)
        painter.fillRect(rect, field.background);
    switch (field.type) {
    case FieldType::Label: {
        const QString text = labelText(field.value, record, reportPage, sheetNumber, sheetCount);
        const FittedText fitted = fitText(text, fieldFont(field), rect.size(), field.wordWrap, painter.device());
        painter.setPen(field.fontColor);
        drawFittedText(painter, rect, fitted, field.alignment);
        break;
    }
    case FieldType::LabelImage: {
        static const QRegularExpression name(QStringLiteral("^\\[([^\\[\\]]+)\\]$"));
        const QRegularExpressionMatch m = name.match(field.value.trimmed());
        if (m.hasMatch()) {
            painter.save();
            painter.setClipRect(rect, Qt::IntersectClip);
            m_content.draw(record, m.captured(1), painter, rect.toRect(), reportPage);
            painter.restore();
        }
        break;
    }
    case FieldType::Rectangle:
        painter.setPen(QPen(Qt::black, field.borderWidth * pixelsPerUnitX(painter.device())));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect);
        break;
    case FieldType::Other:
        break;
    }
    drawBorders(painter, field, rect);
}

QString ReportSheetPainter::labelText(const QString &text, int record, int reportPage, int sheetNumber,
                                      int sheetCount) const
{
    static const QRegularExpression names(QStringLiteral("\\[([^\\[\\]]+)\\]|<Page>|<TotalPages>"));
    QString result;
    int from = 0;
    QRegularExpressionMatchIterator it = names.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += text.midRef(from, m.capturedStart() - from);
        if (m.capturedRef(0) == QLatin1String("<Page>"))
            result += QString::number(sheetNumber);
        else if (m.capturedRef(0) == QLatin1String("<TotalPages>"))
            result += QString::number(sheetCount);
        else
            result += bounded(m_content.value(record, m.captured(1), reportPage));
        from = m.capturedEnd();
    }
    result += text.midRef(from);
    return result;
}
