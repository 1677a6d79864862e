// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/kalibr.h"

#include "analysis/calibration.h"
#include "analysis/measure.h"
#include "platform/language.h"
#include "platform/messagebox.h"
#include "platform/vbrt.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Kalibr::Kalibr(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Kalibr"));
    setWindowTitle(tr("Калибровка"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Множитель к номинальной шкале"), this), 0, 1);
    grid->addWidget(new QLabel(tr("Размах на экране"), this), 0, 2);
    grid->addWidget(new QLabel(tr("Известный размах, В"), this), 0, 3);
    for (int c = 0; c < 2; ++c) {
        const int row = c + 1;
        grid->addWidget(new QLabel(tr("Канал %1").arg(c + 1), this), row, 0);
        FactorEdit[c] = new QLineEdit(this);
        FactorEdit[c]->setObjectName(QStringLiteral("Factor%1").arg(c + 1));
        grid->addWidget(FactorEdit[c], row, 1);
        Measured[c] = new QLabel(this);
        grid->addWidget(Measured[c], row, 2);
        KnownEdit[c] = new QLineEdit(this);
        KnownEdit[c]->setObjectName(QStringLiteral("Known%1").arg(c + 1));
        grid->addWidget(KnownEdit[c], row, 3);
        auto *apply = new QPushButton(tr("Рассчитать"), this);
        apply->setObjectName(QStringLiteral("FromKnown%1").arg(c + 1));
        apply->setAutoDefault(false);
        connect(apply, &QPushButton::clicked, this, [this, c] { FromKnown(c + 1); });
        grid->addWidget(apply, row, 4);
        auto *reset = new QPushButton(tr("Номинал"), this);
        reset->setAutoDefault(false);
        connect(reset, &QPushButton::clicked, this, [this, c] { showFactor(c, 1.0); });
        grid->addWidget(reset, row, 5);
    }
    auto *hint = new QLabel(tr("Подайте на вход сигнал известного размаха, включите измерения, "
                                           "введите его размах и нажмите «Рассчитать»."),
                            this);
    hint->setWordWrap(true);
    grid->addWidget(hint, 3, 0, 1, 6);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 4, 0, 1, 6);
}

void Kalibr::SetChannel(int channel, double factor, double peakToPeakUnits)
{
    const int c = channel == 2 ? 1 : 0;
    showFactor(c, factor);
    peakToPeak_[c] = peakToPeakUnits;
    Measured[c]->setText(peakToPeakUnits > 0 ? Measure::Volts(peakToPeakUnits * Calibration::VoltsPerUnit(factor))
                                             : QStringLiteral("—"));
    KnownEdit[c]->setEnabled(peakToPeakUnits > 0);
}

void Kalibr::showFactor(int c, double factor)
{
    FactorEdit[c]->setText(vb::FormatGeneral(QString::number(factor, 'g', 6).toDouble()));
    shownFactor_[c] = factor;
    shownText_[c] = FactorEdit[c]->text();
}

double Kalibr::Factor(int channel) const
{
    const int c = channel == 2 ? 1 : 0;
    const QString text = FactorEdit[c]->text();
    const auto v = text == shownText_[c] ? std::optional<double>(shownFactor_[c]) : vb::ParseShown(text);
    return v && Calibration::IsValidFactor(*v) ? *v : 1.0;
}

bool Kalibr::FromKnown(int channel)
{
    const int c = channel == 2 ? 1 : 0;
    const auto known = vb::ParseShown(KnownEdit[c]->text());
    const auto factor = known ? Calibration::FactorFor(peakToPeak_[c], *known) : std::nullopt;
    if (!factor) {
        MsgBox(tr("Нужны сигнал на экране и его размах в вольтах (больше нуля)."),
               MsgButtons::OK, MsgIcon::Exclamation, Language::AppTitle());
        return false;
    }
    showFactor(c, *factor);
    return true;
}
