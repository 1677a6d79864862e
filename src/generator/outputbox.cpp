// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator/outputbox.h"

#include "acquisition/capturesource.h"
#include "acquisition/inputchoice.h"

OutputBox::OutputBox(const QString &chosen, QWidget *parent) : QComboBox(parent)
{
    addItem(tr("Выход по умолчанию"), QString());
    // One that is not there now (unplugged) stays chosen under its name.
    if (!chosen.isEmpty())
        addItem(InputChoice::OneLine(chosen, 100), chosen);
    setCurrentIndex(count() - 1);
    fill(false);
}

QString OutputBox::Chosen() const
{
    return currentData().toString();
}

void OutputBox::fill(bool waitForAnswer)
{
    const QString chosen = Chosen();
    const QList<SoundInputInfo> outputs = ListSoundOutputs(waitForAnswer);
    QSignalBlocker quiet(this);
    while (count() > 1)
        removeItem(1);
    bool listed = false;
    for (const SoundInputInfo &o : outputs) {
        addItem(InputChoice::OneLine(o.description, 100), o.name);
        listed = listed || o.name == chosen;
    }
    if (!chosen.isEmpty() && !listed)
        addItem(InputChoice::OneLine(chosen, 100), chosen);
    setCurrentIndex(std::max(0, findData(chosen)));
}

void OutputBox::showPopup()
{
    fill(false);
    QComboBox::showPopup();
}
