#include "display/qecgviewcontrols.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>

namespace {

const double Speeds[] = {12.5, 25.0, 50.0};
const double Amplitudes[] = {5.0, 10.0, 20.0};
constexpr int GroupGap = 8; // pixels between the speed, amplitude and filter groups

// "12.5" for the button names and texts, "25" for whole numbers.
QString number(double value)
{
    return QString::number(value, 'g', 3);
}

} // namespace

QEcgViewControls::QEcgViewControls(QWidget *parent)
    : QWidget(parent)
    , m_speed(new QButtonGroup(this))
    , m_amplitude(new QButtonGroup(this))
    , m_filters(new QButtonGroup(this))
{
    m_speed->setObjectName(QStringLiteral("grpSpeed"));
    m_amplitude->setObjectName(QStringLiteral("grpAmplitude"));
    m_filters->setObjectName(QStringLiteral("grpFilter"));
    m_filters->setExclusive(false);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    for (int i = 0; i < 3; ++i) {
        const QString value = number(Speeds[i]);
        QPushButton *button = addButton(QStringLiteral("btnSpeed%1").arg(int(Speeds[i])),
                                        tr("<html><head/><body><p>Speed: <span style=\" font-weight:600;\">%1</span> "
                                           "mm/sec</p></body></html>").arg(value),
                                        m_speed, Speeds[i] == 25.0);
        m_speed->setId(button, i);
    }
    layout->addSpacing(GroupGap);
    for (int i = 0; i < 3; ++i) {
        const QString value = number(Amplitudes[i]);
        QPushButton *button = addButton(QStringLiteral("btnAmp%1").arg(value),
                                        tr("<html><head/><body><p>Amplitude: <span style=\" font-weight:600;\">%1</span> "
                                           "mm/mV</p></body></html>").arg(value),
                                        m_amplitude, Amplitudes[i] == 10.0);
        m_amplitude->setId(button, i);
    }
    layout->addSpacing(GroupGap);
    m_lowpass = addButton(QStringLiteral("btnFilterLowpass"), tr("Muscle noise filter"), m_filters, true);
    m_notch = addButton(QStringLiteral("btnFilterNotch"), tr("Line notch filter"), m_filters, true);
    m_baseline = addButton(QStringLiteral("btnFilterBaseline"), tr("Baseline filter"), m_filters, true);
    m_lowpass->setText(tr("MF"));
    m_notch->setText(tr("NF"));
    m_baseline->setText(tr("BF"));
    setTexts();

    connect(m_speed, &QButtonGroup::idClicked, this, [this](int id) { emit speedChanged(Speeds[id]); });
    connect(m_amplitude, &QButtonGroup::idClicked, this, [this](int id) { emit amplitudeChanged(Amplitudes[id]); });
    connect(m_filters, &QButtonGroup::idClicked, this, &QEcgViewControls::filtersChanged);
}

QPushButton *QEcgViewControls::addButton(const QString &name, const QString &toolTip, QButtonGroup *group,
                                         bool checked)
{
    auto *button = new QPushButton(this);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setCheckable(true);
    button->setChecked(checked);
    // The displays keep the keyboard (arrows scroll the review's ECG).
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedHeight(24);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    group->addButton(button);
    layout()->addWidget(button);
    return button;
}

void QEcgViewControls::setCompact(bool compact)
{
    if (compact && !m_menuButton) {
        // One button that names the scale and offers every choice in its
        // menu; the menu clicks the hidden buttons, so every choice takes
        // the same way as in the full row.
        m_menuButton = new QPushButton(this);
        m_menuButton->setObjectName(QStringLiteral("btnViewMenu"));
        m_menuButton->setFocusPolicy(Qt::NoFocus);
        m_menuButton->setFixedHeight(24);
        m_menuButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        m_menuButton->setToolTip(tr("Paper speed, amplitude and filters"));
        auto *menu = new QMenu(m_menuButton);
        menu->setObjectName(QStringLiteral("menuView"));
        const auto addChoices = [menu](QButtonGroup *group) {
            for (QAbstractButton *button : group->buttons()) {
                QAction *action = menu->addAction(button->text());
                action->setCheckable(true);
                action->setData(QVariant::fromValue<QObject *>(button));
            }
            menu->addSeparator();
        };
        addChoices(m_speed);
        addChoices(m_amplitude);
        for (QPushButton *filter : {m_lowpass, m_notch, m_baseline}) {
            QAction *action = menu->addAction(filter->toolTip());
            action->setCheckable(true);
            action->setData(QVariant::fromValue<QObject *>(filter));
        }
        connect(menu, &QMenu::aboutToShow, menu, [menu] {
            for (QAction *action : menu->actions())
                if (auto *button = qobject_cast<QAbstractButton *>(action->data().value<QObject *>()))
                    action->setChecked(button->isChecked());
        });
        connect(menu, &QMenu::triggered, this, [](QAction *action) {
            auto *button = qobject_cast<QAbstractButton *>(action->data().value<QObject *>());
            // A choice of speed or amplitude already made stays made.
            if (button && !(button->group() && button->group()->exclusive() && button->isChecked()))
                button->click();
        });
        m_menuButton->setMenu(menu);
        layout()->addWidget(m_menuButton);
        connect(this, &QEcgViewControls::speedChanged, this, &QEcgViewControls::updateMenuText);
        connect(this, &QEcgViewControls::amplitudeChanged, this, &QEcgViewControls::updateMenuText);
    }
    for (QButtonGroup *group : {m_speed, m_amplitude, m_filters})
        for (QAbstractButton *button : group->buttons())
            button->setVisible(!compact);
    // The gaps between the groups go with the groups.
    for (int i = 0; i < layout()->count(); ++i)
        if (QSpacerItem *gap = layout()->itemAt(i)->spacerItem())
            gap->changeSize(compact ? 0 : GroupGap, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    layout()->invalidate();
    if (m_menuButton) {
        m_menuButton->setVisible(compact);
        updateMenuText();
    }
}

void QEcgViewControls::updateMenuText()
{
    m_menuButton->setText(tr("%1 mm/s  %2 mm/mV").arg(number(speed()), number(amplitude())));
}

void QEcgViewControls::setTexts()
{
    for (int i = 0; i < 3; ++i) {
        m_speed->button(i)->setText(tr("%1 mm/s").arg(number(Speeds[i])));
        m_amplitude->button(i)->setText(tr("%1 mm/mV").arg(number(Amplitudes[i])));
    }
}

double QEcgViewControls::speed() const
{
    return Speeds[qMax(0, m_speed->checkedId())];
}

double QEcgViewControls::amplitude() const
{
    return Amplitudes[qMax(0, m_amplitude->checkedId())];
}

bool QEcgViewControls::notch() const
{
    return m_notch->isChecked();
}

bool QEcgViewControls::lowpass() const
{
    return m_lowpass->isChecked();
}

bool QEcgViewControls::baseline() const
{
    return m_baseline->isChecked();
}
