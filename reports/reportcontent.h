#pragma once

#include <QRect>
#include <QString>

class QPainter;

// What a report prints into its template: the text of each bracketed name in
// a label and the picture of each image field. The engine asks while it
// prints, on the printing thread, so an implementation answers from data it
// fixed beforehand and from files it opens itself.
class ReportContent
{
public:
    virtual ~ReportContent() = default;

    // The text for `name` (without brackets) in record `record` of report
    // page `reportPage`; empty for a name the report does not know.
    virtual QString value(int record, const QString &name, int reportPage) const = 0;
    // Paints the image field `name` into `bounds` (device pixels); the
    // painter is clipped to the bounds. Nothing for an unknown name.
    virtual void draw(int record, const QString &name, QPainter &painter, const QRect &bounds, int reportPage) = 0;
};
