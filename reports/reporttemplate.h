#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// A report layout read from the station's XML template format: one
// ReportPageLayout per <Report> element, each with bands of fields. Lengths
// are template units of a quarter millimetre.

enum class BandType {
    ReportTitle,
    PageHeader,
    MasterHeader,
    MasterData,
    MasterFooter,
    ReportSummary,
    PageFooter,
    Other, // known to the format but never printed by the station
};

enum class FieldType { Label, LabelImage, Rectangle, Other };

struct ReportField
{
    FieldType type = FieldType::Label;
    QString name;
    QString value;
    int left = 0, top = 0, width = 0, height = 0;
    QString fontFamily;
    int fontSize = 10;
    bool bold = false, italic = false, underline = false, strikeout = false;
    QColor fontColor = Qt::black;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool wordWrap = true;
    QColor background = Qt::transparent;
    // Border colours; a transparent side has no border.
    QColor borderTop = Qt::transparent, borderBottom = Qt::transparent;
    QColor borderLeft = Qt::transparent, borderRight = Qt::transparent;
    double borderWidth = 1.0; // template units
    bool printing = true;
};

struct ReportBand
{
    QString name;
    BandType type = BandType::Other;
    int height = 0;
    QVector<ReportField> fields;
};

// A page of the template; a landscape page has its longer side across.
struct ReportPageLayout
{
    int pageWidth = 840, pageHeight = 1188;
    int marginLeft = 40, marginRight = 40, marginTop = 40, marginBottom = 40;
    QVector<ReportBand> bands; // in document order

    // The first band of a type, or null.
    const ReportBand *band(BandType type) const;
};

class ReportTemplate
{
public:
    // Reads a template from a file or resource path; false (and no pages)
    // when it cannot be read or is not a report template.
    bool load(const QString &path);
    bool parse(const QByteArray &xml);

    const QVector<ReportPageLayout> &pages() const { return m_pages; }

private:
    QVector<ReportPageLayout> m_pages;
};

// "rgba(r,g,b,a)" with components 0..255; an invalid colour otherwise.
QColor parseTemplateColor(const QString &text);
