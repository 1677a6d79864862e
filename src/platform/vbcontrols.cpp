// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vbcontrols.h"

#include <algorithm>

VbComboBox::VbComboBox(QWidget *parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, &VbComboBox::Click);
}

void VbComboBox::AddItem(const QString &text, int itemData)
{
    addItem(text, itemData);
}

int VbComboBox::ItemData(int index) const
{
    return itemData(index).toInt();
}

VbScrollBar::VbScrollBar(Qt::Orientation orientation, QWidget *parent) : QScrollBar(orientation, parent)
{
    connect(this, &QScrollBar::valueChanged, this, &VbScrollBar::Change);
}

void VbScrollBar::SetRange(int min, int max)
{
    // Qt needs minimum <= maximum; a reversed range is shown mirrored.
    const int v = Value();
    min_ = min;
    max_ = max;
    if (reversed())
        setRange(-min, -max);
    else
        setRange(min, max);
    SetValue(std::clamp(v, std::min(min, max), std::max(min, max)));
}

void VbScrollBar::SetSmallChange(int step) { setSingleStep(step); }
void VbScrollBar::SetLargeChange(int step) { setPageStep(step); }

int VbScrollBar::Value() const
{
    return reversed() ? -value() : value();
}

void VbScrollBar::SetValue(int v)
{
    setValue(reversed() ? -v : v);
}
