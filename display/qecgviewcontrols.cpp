#include "display/qecgviewcontrols.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

namespace {

const double Speeds[] = {12.5, 25.0, 50.0};
const double Amplitudes[] = {5.0, 10.0, 20.0};

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
    layout->addSpacing(8);
    for (int i = 0; i < 3; ++i) {
        const QString value = number(Amplitudes[i]);
        QPushButton *button = addButton(QStringLiteral("btnAmp%1").arg(value),
                                        tr("<html><head/><body><p>Amplitude: <span style=\" font-weight:600;\">%1</span> "
                                           "mm/mV</p></body></html>").arg(value),
                                        m_amplitude, Amplitudes[i] == 10.0);
        m_amplitude->setId(button, i);
    }
    layout->addSpacing(8);
    m_lowpass = addButton(QStringLiteral("btnFilterLowpass"), tr("Muscle noise filter"), m_filters, true);
    m_notch = addButton(QStringLiteral("btnFilterNotch"), tr("Line notch filter"), m_filters, true);
    m_baseline = addButton(QStringLiteral("btnFilterBaseline"), tr("Baseline filter"), m_filters, true);
    m_lowpass->setText(tr("MF"));
    m_notch->setText(tr("NF"));
    m_baseline->setText(tr("BF"));
    setTexts(false);

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
    setTexts(compact);
}

void QEcgViewControls::setTexts(bool compact)
{
    for (int i = 0; i < 3; ++i) {
        const bool unit = !compact || i == 2;
        m_speed->button(i)->setText(unit ? tr("%1 mm/s").arg(number(Speeds[i])) : number(Speeds[i]));
        m_amplitude->button(i)->setText(unit ? tr("%1 mm/mV").arg(number(Amplitudes[i])) : number(Amplitudes[i]));
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
