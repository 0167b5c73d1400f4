#include "display/qelidedlabel.h"

#include <QEvent>
#include <QFontMetrics>

QElidedLabel::QElidedLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void QElidedLabel::setFullText(const QString &text)
{
    m_fullText = text;
    setToolTip(text);
    updateShownText();
}

QSize QElidedLabel::minimumSizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("W\u2026")), QLabel::minimumSizeHint().height());
}

QSize QElidedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return QSize(fontMetrics().horizontalAdvance(m_fullText) + margins.left() + margins.right() + 2 * margin(),
                 QLabel::sizeHint().height());
}

void QElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateShownText();
}

void QElidedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateShownText();
}

void QElidedLabel::updateShownText()
{
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, qMax(0, room));
    // setText would ask for a new layout on every resize; only a change does.
    if (shown != text())
        setText(shown);
}
