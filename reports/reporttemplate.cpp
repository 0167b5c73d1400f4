#include "reports/reporttemplate.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <utility>

namespace {

BandType bandType(const QStringRef &text)
{
    static const struct { const char *name; BandType type; } types[] = {
        {"ReportTitle", BandType::ReportTitle},   {"PageHeader", BandType::PageHeader},
        {"MasterHeader", BandType::MasterHeader}, {"MasterData", BandType::MasterData},
        {"MasterFooter", BandType::MasterFooter}, {"ReportSummary", BandType::ReportSummary},
        {"PageFooter", BandType::PageFooter},
    };
    for (const auto &t : types)
        if (text == QLatin1String(t.name))
            return t.type;
    return BandType::Other;
}

FieldType fieldType(const QStringRef &text)
{
    if (text == QLatin1String("label"))
        return FieldType::Label;
    if (text == QLatin1String("labelImage"))
        return FieldType::LabelImage;
    // The format spells its frame field "reactangle".
    if (text == QLatin1String("reactangle") || text == QLatin1String("rectangle"))
        return FieldType::Rectangle;
    return FieldType::Other;
}

int intAttribute(const QXmlStreamAttributes &a, const char *name, int fallback)
{
    bool ok = false;
    const int value = a.value(QLatin1String(name)).toInt(&ok);
    return ok ? value : fallback;
}

bool boolAttribute(const QXmlStreamAttributes &a, const char *name, bool fallback)
{
    const QStringRef text = a.value(QLatin1String(name));
    return text.isEmpty() ? fallback : text == QLatin1String("1");
}

QColor colorAttribute(const QXmlStreamAttributes &a, const char *name, const QColor &fallback)
{
    const QColor color = parseTemplateColor(a.value(QLatin1String(name)).toString());
    return color.isValid() ? color : fallback;
}

Qt::Alignment alignment(const QXmlStreamAttributes &a)
{
    Qt::Alignment result;
    const QStringRef h = a.value(QLatin1String("aligmentH"));
    if (h == QLatin1String("hCenter"))
        result |= Qt::AlignHCenter;
    else if (h == QLatin1String("hRight"))
        result |= Qt::AlignRight;
    else
        result |= Qt::AlignLeft; // also "hJustify": lines are set flush left
    const QStringRef v = a.value(QLatin1String("aligmentV"));
    if (v == QLatin1String("vTop"))
        result |= Qt::AlignTop;
    else if (v == QLatin1String("vBottom"))
        result |= Qt::AlignBottom;
    else
        result |= Qt::AlignVCenter;
    return result;
}

ReportField readField(const QXmlStreamAttributes &a)
{
    ReportField f;
    f.type = fieldType(a.value(QLatin1String("type")));
    f.name = a.value(QLatin1String("name")).toString();
    f.value = a.value(QLatin1String("value")).toString();
    f.left = intAttribute(a, "left", 0);
    f.top = intAttribute(a, "top", 0);
    f.width = qMax(0, intAttribute(a, "width", 0));
    f.height = qMax(0, intAttribute(a, "height", 0));
    f.fontFamily = a.value(QLatin1String("fontFamily")).toString();
    f.fontSize = qBound(1, intAttribute(a, "fontSize", 10), 200);
    f.bold = boolAttribute(a, "fontBold", false);
    f.italic = boolAttribute(a, "fontItalic", false);
    f.underline = boolAttribute(a, "fontUnderline", false);
    f.strikeout = boolAttribute(a, "fontStrikeout", false);
    f.fontColor = colorAttribute(a, "fontColor", Qt::black);
    f.alignment = alignment(a);
    f.wordWrap = boolAttribute(a, "textWrap", true);
    f.background = colorAttribute(a, "backgroundColor", Qt::transparent);
    f.borderTop = colorAttribute(a, "borderTop", Qt::transparent);
    f.borderBottom = colorAttribute(a, "borderBottom", Qt::transparent);
    f.borderLeft = colorAttribute(a, "borderLeft", Qt::transparent);
    f.borderRight = colorAttribute(a, "borderRight", Qt::transparent);
    // "1px": one template unit.
    const QString width = a.value(QLatin1String("borderWidth")).toString().remove(QLatin1String("px"));
    bool ok = false;
    const double w = width.toDouble(&ok);
    f.borderWidth = ok && w >= 0.0 && w <= 20.0 ? w : 1.0;
    f.printing = boolAttribute(a, "printing", true);
    return f;
}

ReportPageLayout readPage(const QXmlStreamAttributes &a)
{
    ReportPageLayout page;
    page.pageWidth = intAttribute(a, "pageWidth", 840);
    page.pageHeight = intAttribute(a, "pageHeight", 1188);
    if (intAttribute(a, "orientation", 0) == 1 && page.pageWidth < page.pageHeight)
        std::swap(page.pageWidth, page.pageHeight);
    page.marginLeft = intAttribute(a, "marginsLeft", 40);
    page.marginRight = intAttribute(a, "marginsRight", 40);
    page.marginTop = intAttribute(a, "marginsTop", 40);
    page.marginBottom = intAttribute(a, "marginsBottom", 40);
    return page;
}

bool usable(const ReportPageLayout &page)
{
    return page.pageWidth > page.marginLeft + page.marginRight && page.pageHeight > page.marginTop + page.marginBottom
        && page.marginLeft >= 0 && page.marginRight >= 0 && page.marginTop >= 0 && page.marginBottom >= 0
        && page.pageWidth <= 100000 && page.pageHeight <= 100000;
}

} // namespace

const ReportBand *ReportPageLayout::band(BandType type) const
{
    for (const ReportBand &b : bands)
        if (b.type == type)
            return &b;
    return nullptr;
}

QColor parseTemplateColor(const QString &text)
{
    static const QRegularExpression rgba(
        QStringLiteral("^\\s*rgba\\(\\s*(\\d+)\\s*,\\s*(\\d+)\\s*,\\s*(\\d+)\\s*,\\s*(\\d+)\\s*\\)\\s*$"));
    const QRegularExpressionMatch m = rgba.match(text);
    if (!m.hasMatch())
        return QColor();
    int c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = m.capturedRef(i + 1).toInt();
        if (c[i] > 255)
            return QColor();
    }
    return QColor(c[0], c[1], c[2], c[3]);
}

bool ReportTemplate::load(const QString &path)
{
    m_pages.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return parse(file.readAll());
}

bool ReportTemplate::parse(const QByteArray &xml)
{
    m_pages.clear();
    QVector<ReportPageLayout> pages;
    QXmlStreamReader reader(xml);
    bool root = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringRef name = reader.name();
        const QXmlStreamAttributes a = reader.attributes();
        if (name == QLatin1String("Reports")) {
            root = true;
        } else if (name == QLatin1String("Report") && root) {
            pages.append(readPage(a));
        } else if (name == QLatin1String("ReportBand") && !pages.isEmpty()) {
            ReportBand band;
            band.name = a.value(QLatin1String("name")).toString();
            band.type = bandType(a.value(QLatin1String("type")));
            band.height = qMax(0, intAttribute(a, "height", 0));
            pages.last().bands.append(band);
        } else if (name == QLatin1String("TContainerField") && !pages.isEmpty() && !pages.last().bands.isEmpty()) {
            pages.last().bands.last().fields.append(readField(a));
        }
    }
    if (reader.hasError() || pages.isEmpty())
        return false;
    for (const ReportPageLayout &page : pages)
        if (!usable(page))
            return false;
    m_pages = pages;
    return true;
}
