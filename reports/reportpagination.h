#pragma once

#include "reports/reporttemplate.h"

#include <QVector>

// One band put on a sheet.
struct PlacedBand
{
    int band = 0;   // index into the report page's bands
    int record = 0; // record number handed to the value and drawing callbacks
    int top = 0;    // template units from the sheet's top edge
};

// One printed sheet of paper.
struct ReportSheet
{
    int reportPage = 0;
    QVector<PlacedBand> bands; // in printing order
};

// Lays out a whole document without painting: for each report page a new
// sheet; the report title on its first sheet, the page header at the top and
// the page footer at the bottom of every sheet, the master header once before
// the data, the master data band once per record (a record that does not fit
// above the footer goes to a new sheet), then the master footer and the
// report summary. A band taller than an empty sheet is placed anyway (and
// clipped by the painter) rather than pushing sheets forever. A missing or
// negative record count counts as no record; a report page that would print
// only page headers and footers around no record prints no sheet at all.
QVector<ReportSheet> paginateReport(const ReportTemplate &layout, const QVector<int> &recordCounts);
