#pragma once

#include <QLabel>
#include <QString>

// A one-line label for a text that may not fit, such as a patient's name in
// a narrow panel: it shows as much as fits, ending in "…" when cut, and
// tells the whole text in its tooltip. It asks for little width, so that a
// long text never widens the window.
class QElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit QElidedLabel(QWidget *parent = nullptr);

    // The whole text; what shows depends on the width.
    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateShownText();

    QString m_fullText;
};
