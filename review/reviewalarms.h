#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <optional>

class MonitorSession;
class QTreeWidget;
class QTreeWidgetItem;

// The alarms of the reviewed session, read-only, in order of onset: the
// onset's time with seconds, the alarm's text marked in its priority's
// colour, and when it was acknowledged and ended. Choosing one tells its onset, so that the page can
// show the ECG there as it does for an event.
class ReviewAlarms : public QWidget
{
    Q_OBJECT

public:
    enum Column { ColumnTime, ColumnText, ColumnAcknowledged, ColumnEnded };

    explicit ReviewAlarms(QWidget *parent = nullptr);

    // As wide as its columns and its texts need.
    QSize sizeHint() const override;

    // Lists the session's alarms, or says "No alarms"; null empties the list.
    void setSession(const MonitorSession *session);
    QTreeWidget *tree() const { return m_tree; }

    // The logged priority ("high", "medium", "low") in the user's language;
    // another name as it is.
    static QString priorityText(const QString &priority);
    // The time of day `offset` seconds after `start`, "HH:mm:ss"; empty for none.
    static QString clockText(const QDateTime &start, std::optional<double> offset);

signals:
    // Seconds from the session's start.
    void onsetChosen(double seconds);

private:
    void currentChanged(QTreeWidgetItem *current);
    // Width of the text column for these texts.
    int textRoom(const QStringList &texts) const;

    QTreeWidget *m_tree;
    int m_fixedWidth = 0; // every column but the text, frame and scroll bar
};
