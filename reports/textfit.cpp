#include "reports/textfit.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace {

const QString PrintSans = QStringLiteral("Liberation Sans");

QString normalizedBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

struct Layout
{
    QStringList lines;
    QVector<int> starts; // where each line starts in the text
    double width = 0.0;  // widest line
    double lineHeight = 0.0;
};

Layout layoutText(const QString &text, const QFont &font, double width, QTextOption::WrapMode wrap,
                  const QPaintDevice *device)
{
    Layout result;
    QTextLayout layout(text, font, const_cast<QPaintDevice *>(device));
    QTextOption option;
    option.setWrapMode(wrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString piece = text.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && (piece.back().isSpace() || piece.back() == QChar::LineSeparator))
            piece.chop(1);
        result.lines.append(piece);
        result.starts.append(line.textStart());
        result.width = qMax(result.width, line.naturalTextWidth());
    }
    layout.endLayout();
    result.lineHeight = QFontMetricsF(font, const_cast<QPaintDevice *>(device)).height();
    return result;
}

} // namespace

bool registerPrintFonts()
{
    static const bool registered = [] {
        bool ok = true;
        for (const char *file : {":/fonts/LiberationSans-Regular.ttf", ":/fonts/LiberationSans-Bold.ttf"})
            ok = QFontDatabase::addApplicationFont(QLatin1String(file)) >= 0 && ok;
        return ok;
    }();
    return registered;
}

QString printFontFamily(const QString &templateFamily)
{
    if (templateFamily.isEmpty() || templateFamily.startsWith(QLatin1String("MS Shell Dlg"), Qt::CaseInsensitive)
        || templateFamily.compare(QLatin1String("Helvetica"), Qt::CaseInsensitive) == 0)
        return PrintSans;
    return templateFamily;
}

int visibleCharacterBound(const QFont &font, const QSizeF &box, const QPaintDevice *device)
{
    QFont smallest(font, const_cast<QPaintDevice *>(device));
    smallest.setPointSizeF(qMin(font.pointSizeF(), MinimumFitPointSize));
    const QFontMetricsF metrics(smallest, const_cast<QPaintDevice *>(device));
    // No printable character is narrower than a tenth of the font's size;
    // each line may end in a break.
    const double narrowest = qMax(0.01, metrics.height() / 12.0);
    const double lines = std::floor(box.height() / metrics.height()) + 1.0;
    const double perLine = std::ceil(box.width() / narrowest) + 1.0;
    return int(qMin(lines * perLine, 1.0e9));
}

FittedText fitText(const QString &text, const QFont &font, const QSizeF &box, bool wordWrap,
                   const QPaintDevice *device)
{
    // A text far longer than the box can show is cut before it is laid out,
    // so that an absurd text costs no more than a full box.
    const int bound = visibleCharacterBound(font, box, device);
    const QString prepared =
        normalizedBreaks(text.size() > bound ? text.left(bound) + QChar(0x2026) : text);
    const QTextOption::WrapMode wrap = wordWrap ? QTextOption::WordWrap : QTextOption::ManualWrap;
    FittedText result;
    result.font = QFont(font, const_cast<QPaintDevice *>(device));
    if (prepared.isEmpty())
        return result;

    auto fitsAt = [&](double points) {
        result.font.setPointSizeF(points);
        const Layout layout = layoutText(prepared, result.font, box.width(), wrap, device);
        result.lines = layout.lines;
        return layout.width <= box.width() && layout.lines.size() * layout.lineHeight <= box.height() + 0.01;
    };
    // The font's size when the text fits; else, unless it does not fit even
    // at the smallest size, the largest half-point size that fits.
    const double start = font.pointSizeF();
    const double smallest = qMin(start, MinimumFitPointSize);
    if (fitsAt(start))
        return result;
    if (smallest < start && fitsAt(smallest)) {
        for (double size = start - 0.5; size > smallest; size -= 0.5)
            if (fitsAt(size))
                return result;
        fitsAt(smallest);
        return result;
    }
    result.font.setPointSizeF(smallest);

    // Still too large at the smallest size: keep the lines that fit and cut
    // the last one with an ellipsis.
    const QTextOption::WrapMode cutWrap = wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::ManualWrap;
    const Layout layout = layoutText(prepared, result.font, box.width(), cutWrap, device);
    const int fitting = qBound(1, int(std::floor((box.height() + 0.01) / layout.lineHeight)), layout.lines.size());
    const QFontMetricsF metrics(result.font, const_cast<QPaintDevice *>(device));
    result.lines = layout.lines.mid(0, fitting);
    for (QString &line : result.lines) {
        if (metrics.horizontalAdvance(line) > box.width()) {
            line = metrics.elidedText(line, Qt::ElideRight, box.width());
            result.elided = true;
        }
    }
    if (fitting < layout.lines.size()) {
        // The last kept line runs on to the end of its paragraph and is cut
        // there; the ellipsis is appended first so that it also shows where
        // the paragraph ends on that line.
        QString rest = prepared.mid(layout.starts[fitting - 1]);
        const int paragraphEnd = rest.indexOf(QChar::LineSeparator);
        if (paragraphEnd >= 0)
            rest.truncate(paragraphEnd);
        result.lines[fitting - 1] = metrics.elidedText(rest.trimmed() + QChar(0x2026), Qt::ElideRight, box.width());
        result.elided = true;
    }
    return result;
}

void drawFittedText(QPainter &painter, const QRectF &rect, const FittedText &text, Qt::Alignment alignment)
{
    if (text.lines.isEmpty())
        return;
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setFont(text.font);
    const QFontMetricsF metrics(text.font, painter.device());
    const double lineHeight = metrics.height();
    const double height = lineHeight * text.lines.size();
    double y = rect.top();
    if (alignment & Qt::AlignBottom)
        y = rect.bottom() - height;
    else if (alignment & Qt::AlignVCenter)
        y = rect.top() + (rect.height() - height) / 2.0;
    const Qt::Alignment horizontal = alignment & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter);
    for (const QString &line : text.lines) {
        const QRectF lineRect(rect.left(), y, rect.width(), lineHeight);
        painter.drawText(lineRect, int(horizontal | Qt::AlignTop), line);
        y += lineHeight;
    }
    painter.restore();
}
