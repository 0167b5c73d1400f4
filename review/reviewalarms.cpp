#include "review/reviewalarms.h"

#include "display/alarmcolours.h"
#include "storage/loggedalarms.h"
#include "storage/monitorsession.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int OnsetRole = Qt::UserRole;

// A small square in the colour the patient's banner shows for the priority.
QIcon priorityIcon(const QString &priority)
{
    const QColor background = alarmColours(priority).background;
    const QColor colour = background.isValid() ? background : QColor(Qt::transparent);
    QPixmap square(12, 12);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.setPen(colour.alpha() ? QColor(Qt::darkGray) : QColor(Qt::transparent));
    painter.setBrush(colour);
    painter.drawRect(1, 1, 9, 9);
    return QIcon(square);
}

} // namespace

ReviewAlarms::ReviewAlarms(QWidget *parent) : QWidget(parent), m_tree(new QTreeWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto *title = new QLabel(tr("Alarms"), this);
    title->setBuddy(m_tree);
    // As tall as the event list's row of buttons, so that both lists line up.
    title->setMinimumHeight(title->sizeHint().height() + 8);
    layout->addWidget(title);
    layout->addWidget(m_tree);

    m_tree->setObjectName(QStringLiteral("treeAlarms"));
    m_tree->setMinimumHeight(150);
    m_tree->setRootIsDecorated(false);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setHeaderLabels({tr("Time"), tr("Alarm"), tr("Acknowledged"), tr("Ended")});
    m_tree->headerItem()->setToolTip(ColumnText, tr("The alarm as its banner showed it, in the colour of its priority"));
    // Every column but the text as wide as its widest content, fixed, so that
    // the list keeps its width from one session to the next.
    QHeaderView *header = m_tree->header();
    header->setMinimumSectionSize(16);
    // The text's column keeps the width of its texts and comes before the
    // times: in a narrow window the times scroll out of sight, not the text.
    header->setStretchLastSection(true);
    header->setSectionResizeMode(QHeaderView::Fixed);
    const QFontMetrics cells = m_tree->fontMetrics(), heads = header->fontMetrics();
    const auto fit = [&](int column, const QStringList &samples, int extra) {
        int width = heads.horizontalAdvance(m_tree->headerItem()->text(column));
        for (const QString &sample : samples)
            width = qMax(width, cells.horizontalAdvance(sample) + extra);
        m_tree->setColumnWidth(column, width + 16);
        return width + 16;
    };
    const QString clock = QStringLiteral("00:00:00");
    const int width = fit(ColumnTime, {clock}, 0) + fit(ColumnAcknowledged, {clock}, 0) + fit(ColumnEnded, {clock}, 0);
    m_fixedWidth = width + m_tree->iconSize().width() + 24 + 2 * m_tree->frameWidth()
                   + m_tree->verticalScrollBar()->sizeHint().width();
    // Room for at least a usual alarm text such as "Check electrodes"; in a
    // small window it scrolls rather than squeeze what is beside it.
    const int preferredWidth = m_fixedWidth + textRoom(QStringList());
    m_tree->setColumnWidth(ColumnText, m_tree->iconSize().width() + 8 + textRoom(QStringList()));
    m_tree->setMinimumWidth(qMin(preferredWidth, 260));
    setMaximumWidth(preferredWidth);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) { currentChanged(current); });
    // A click on the chosen alarm goes back to its onset after the ECG was scrolled away.
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { currentChanged(item); });
    setSession(nullptr);
}

QString ReviewAlarms::priorityText(const QString &priority)
{
    if (priority == QLatin1String("high"))
        return tr("High");
    if (priority == QLatin1String("medium"))
        return tr("Medium");
    if (priority == QLatin1String("low"))
        return tr("Low");
    return priority;
}

QString ReviewAlarms::clockText(const QDateTime &start, std::optional<double> offset)
{
    if (!offset)
        return QString();
    return start.addMSecs(std::llround(*offset * 1000.0)).toString(QStringLiteral("HH:mm:ss"));
}

QSize ReviewAlarms::sizeHint() const
{
    return QSize(maximumWidth(), QWidget::sizeHint().height());
}

int ReviewAlarms::textRoom(const QStringList &texts) const
{
    // As wide as the widest text, within a usual text and a long one; a
    // text beyond that is elided and shown whole in its tooltip.
    const QFontMetrics cells = m_tree->fontMetrics();
    const int usual = cells.horizontalAdvance(tr("Check electrodes"));
    int widest = usual;
    for (const QString &text : texts)
        widest = qMax(widest, cells.horizontalAdvance(text));
    return qMin(widest, 2 * usual) + 16;
}

void ReviewAlarms::setSession(const MonitorSession *session)
{
    const QSignalBlocker blocker(m_tree);
    m_tree->clear();
    if (!session)
        return;
    const QVector<LoggedAlarm> alarms = loggedAlarms(session->alarmLog);
    QStringList texts;
    for (const LoggedAlarm &alarm : alarms)
        texts << alarm.shownText();
    m_tree->setColumnWidth(ColumnText, m_tree->iconSize().width() + 8 + textRoom(texts));
    setMaximumWidth(m_fixedWidth + textRoom(texts));
    updateGeometry();
    QList<QTreeWidgetItem *> items;
    for (const LoggedAlarm &alarm : alarms) {
        auto *item = new QTreeWidgetItem;
        item->setText(ColumnTime, clockText(session->startDateTime, alarm.onset));
        item->setData(ColumnTime, OnsetRole, alarm.onset);
        item->setIcon(ColumnText, priorityIcon(alarm.priority));
        item->setText(ColumnText, alarm.shownText());
        item->setToolTip(ColumnText, tr("%1 priority: %2").arg(priorityText(alarm.priority), alarm.shownText()));
        item->setText(ColumnAcknowledged, clockText(session->startDateTime, alarm.acknowledged));
        item->setText(ColumnEnded, clockText(session->startDateTime, alarm.ended));
        items.append(item);
    }
    if (items.isEmpty()) {
        auto *none = new QTreeWidgetItem({tr("No alarms")});
        none->setFlags(Qt::NoItemFlags);
        items.append(none);
    }
    m_tree->insertTopLevelItems(0, items);
    if (alarms.isEmpty())
        items.first()->setFirstColumnSpanned(true);
}

void ReviewAlarms::currentChanged(QTreeWidgetItem *current)
{
    if (!current || !m_tree->currentIndex().isValid())
        return;
    const QVariant onset = current->data(ColumnTime, OnsetRole);
    if (onset.isValid())
        emit onsetChosen(onset.toDouble());
}
