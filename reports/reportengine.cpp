#include "reports/reportengine.h"

#include "reports/reporterror.h"
#include "reports/textfit.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

namespace {

// Device pixels per template unit (a quarter millimetre).
constexpr double PixelsPerUnit = ReportEngine::Resolution / 25.4 / 4.0;

QRectF toDevice(double left, double top, double width, double height)
{
    return QRectF(left * PixelsPerUnit, top * PixelsPerUnit, width * PixelsPerUnit, height * PixelsPerUnit);
}

void drawBorders(QPainter &painter, const ReportField &field, const QRectF &r)
{
    const double width = field.borderWidth * PixelsPerUnit;
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

// A transparent label printed over a drawing field of its band, such as an
// event's name over its ECG strip.
bool overDrawing(const ReportBand &band, const ReportField &label)
{
    if (label.type != FieldType::Label || label.background.alpha() > 0)
        return false;
    const QRect area(label.left, label.top, label.width, label.height);
    for (const ReportField &f : band.fields)
        if (f.type == FieldType::LabelImage && area.intersects(QRect(f.left, f.top, f.width, f.height)))
            return true;
    return false;
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

} // namespace

ReportEngine::ReportEngine(QObject *parent)
    : QObject(parent)
{
}

bool ReportEngine::loadTemplate(const QString &path)
{
    return m_template.load(path);
}

QVector<ReportSheet> ReportEngine::paginate() const
{
    return paginateReport(m_template, m_recordCounts);
}

void ReportEngine::printPdf(const QString &path)
{
    const QVector<ReportSheet> sheets = paginate();
    const QString shownPath = QFileInfo(path).absoluteFilePath();
    if (sheets.isEmpty())
        throw ReportError(tr("The report has no page").toStdString());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportError(tr("Cannot write report file %1. An earlier report of that name, if any, is unchanged.").arg(shownPath).toStdString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(Resolution);
        writer.setCreator(QStringLiteral("Norvane TAVO"));
        const ReportPageLayout &first = m_template.pages().constFirst();
        auto pageLayout = [](const ReportPageLayout &page) {
            const QPageSize size(QSizeF(page.pageWidth / 4.0, page.pageHeight / 4.0), QPageSize::Millimeter);
            return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
        };
        writer.setPageLayout(pageLayout(first));
        QPainter painter;
        if (!painter.begin(&writer))
            throw ReportError(tr("Cannot write report file %1. An earlier report of that name, if any, is unchanged.").arg(shownPath).toStdString());
        for (int i = 0; i < sheets.size(); ++i) {
            if (m_cancelled)
                throw ReportError(tr("The report was cancelled").toStdString());
            if (i > 0) {
                writer.setPageLayout(pageLayout(m_template.pages()[sheets[i].reportPage]));
                writer.newPage();
            }
            emit progress(i + 1, sheets.size());
            paintSheet(painter, sheets[i], i + 1, sheets.size());
        }
        painter.end();
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw ReportError(tr("Cannot write report file %1. An earlier report of that name, if any, is unchanged.").arg(shownPath).toStdString());
}

void ReportEngine::paintSheet(QPainter &painter, const ReportSheet &sheet, int sheetNumber, int sheetCount)
{
    const ReportPageLayout &page = m_template.pages()[sheet.reportPage];
    for (const PlacedBand &placed : sheet.bands) {
        const ReportBand &band = page.bands[placed.band];
        const QRectF bandRect = toDevice(page.marginLeft, placed.top, page.pageWidth - page.marginLeft - page.marginRight,
                                         band.height);
        for (const ReportField &field : band.fields) {
            if (!field.printing || field.type == FieldType::Other)
                continue;
            const QRectF rect = toDevice(page.marginLeft + field.left, placed.top + field.top, field.width, field.height);
            painter.save();
            // A field never paints outside its band.
            painter.setClipRect(bandRect);
            paintField(painter, field, rect, overDrawing(band, field), placed.record, sheet.reportPage, sheetNumber,
                       sheetCount);
            painter.restore();
        }
    }
    painter.save();
    const QRect pageRect = toDevice(0, 0, page.pageWidth, page.pageHeight).toRect();
    emit pageOverlay(&painter, pageRect, sheet.reportPage);
    painter.restore();
}

void ReportEngine::paintField(QPainter &painter, const ReportField &field, const QRectF &rect, bool overDrawing,
                              int record, int reportPage, int sheetNumber, int sheetCount)
{
    if (field.background.alpha() > 0)
        painter.fillRect(rect, field.background);
    switch (field.type) {
    case FieldType::Label: {
        const QString text = substitute(field.value, record, reportPage, sheetNumber, sheetCount);
        const FittedText fitted = fitText(text, fieldFont(field), rect.size(), field.wordWrap, painter.device());
        painter.setPen(field.fontColor);
        // Text over a drawing keeps a white backing, so that a trace never crosses it.
        drawFittedText(painter, rect, fitted, field.alignment, overDrawing ? QColor(Qt::white) : QColor());
        break;
    }
    case FieldType::LabelImage: {
        static const QRegularExpression name(QStringLiteral("^\\[([^\\[\\]]+)\\]$"));
        const QRegularExpressionMatch m = name.match(field.value.trimmed());
        if (m.hasMatch()) {
            painter.save();
            painter.setClipRect(rect, Qt::IntersectClip);
            emit drawing(record, m.captured(1), &painter, rect.toRect(), reportPage);
            painter.restore();
        }
        break;
    }
    case FieldType::Rectangle:
        painter.setPen(QPen(Qt::black, field.borderWidth * PixelsPerUnit));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect);
        break;
    case FieldType::Other:
        break;
    }
    drawBorders(painter, field, rect);
}

QString ReportEngine::substitute(const QString &text, int record, int reportPage, int sheetNumber, int sheetCount)
{
    // One pass: a value that itself holds brackets or page variables is
    // printed as it is.
    static const QRegularExpression names(QStringLiteral("\\[([^\\[\\]]+)\\]|<Page>|<TotalPages>"));
    QString result;
    int from = 0;
    QRegularExpressionMatchIterator it = names.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += text.midRef(from, m.capturedStart() - from);
        if (m.capturedRef(0) == QLatin1String("<Page>")) {
            result += QString::number(sheetNumber);
        } else if (m.capturedRef(0) == QLatin1String("<TotalPages>")) {
            result += QString::number(sheetCount);
        } else {
            QString value;
            emit setValue(record, m.captured(1), value, reportPage);
            result += value;
        }
        from = m.capturedEnd();
    }
    result += text.midRef(from);
    return result;
}

bool ReportEngine::openWithDesktop(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}
