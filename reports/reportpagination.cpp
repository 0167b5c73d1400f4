#include "reports/reportpagination.h"

namespace {

class SheetBuilder
{
public:
    SheetBuilder(const ReportPageLayout &page, int reportPage, QVector<ReportSheet> &sheets)
        : m_page(page)
        , m_reportPage(reportPage)
        , m_sheets(sheets)
        , m_header(indexOf(BandType::PageHeader))
        , m_footer(indexOf(BandType::PageFooter))
        , m_limit(page.pageHeight - page.marginBottom - (m_footer >= 0 ? page.bands[m_footer].height : 0))
    {
    }

    int indexOf(BandType type) const
    {
        for (int i = 0; i < m_page.bands.size(); ++i)
            if (m_page.bands[i].type == type)
                return i;
        return -1;
    }

    void startSheet(int record)
    {
        finishSheet();
        m_sheet = ReportSheet{m_reportPage, {}};
        m_open = true;
        m_y = m_page.marginTop;
        m_fresh = true;
        if (m_first) {
            m_first = false;
            const int title = indexOf(BandType::ReportTitle);
            if (title >= 0) {
                put(title, record);
                m_fresh = false;
            }
        }
        if (m_header >= 0)
            put(m_header, record);
    }

    // Places a band in the flow, on a new sheet when it does not fit.
    void flow(int band, int record)
    {
        if (band < 0)
            return;
        if (m_y + m_page.bands[band].height > m_limit && !m_fresh)
            startSheet(record);
        put(band, record);
        m_fresh = false;
    }

    void finishSheet()
    {
        if (!m_open)
            return;
        if (m_footer >= 0)
            m_sheet.bands.append({m_footer, m_lastRecord, m_limit});
        m_sheets.append(m_sheet);
        m_open = false;
    }

private:
    void put(int band, int record)
    {
        m_sheet.bands.append({band, record, m_y});
        m_y += m_page.bands[band].height;
        m_lastRecord = record;
    }

    const ReportPageLayout &m_page;
    int m_reportPage;
    QVector<ReportSheet> &m_sheets;
    ReportSheet m_sheet;
    const int m_header, m_footer;
    const int m_limit; // template units from the top: where the footer starts
    int m_y = 0;
    int m_lastRecord = 0;
    bool m_open = false, m_first = true, m_fresh = true;
};

// A page that prints nothing but its records and the headers and footers
// around them.
bool onlyRecords(const ReportPageLayout &page)
{
    for (const ReportBand &band : page.bands)
        if (band.type != BandType::MasterData && band.type != BandType::PageHeader
            && band.type != BandType::PageFooter)
            return false;
    return true;
}

} // namespace

QVector<ReportSheet> paginateReport(const ReportTemplate &layout, const QVector<int> &recordCounts)
{
    QVector<ReportSheet> sheets;
    const QVector<ReportPageLayout> &pages = layout.pages();
    for (int p = 0; p < pages.size(); ++p) {
        SheetBuilder builder(pages[p], p, sheets);
        const int records = p < recordCounts.size() ? qMax(0, recordCounts[p]) : 0;
        if (records == 0 && onlyRecords(pages[p]))
            continue;
        builder.startSheet(0);
        builder.flow(builder.indexOf(BandType::MasterHeader), 0);
        const int data = builder.indexOf(BandType::MasterData);
        if (data >= 0)
            for (int r = 0; r < records; ++r)
                builder.flow(data, r);
        const int last = qMax(0, records - 1);
        builder.flow(builder.indexOf(BandType::MasterFooter), last);
        builder.flow(builder.indexOf(BandType::ReportSummary), last);
        builder.finishSheet();
    }
    return sheets;
}
