// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vbcontrols.h"

#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionSlider>
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

void VbScrollBar::paintEvent(QPaintEvent *e)
{
    // Paging moves the handle on every page, and the stock style draws the
    // bar's outline pixel by pixel through Qt's fill threads: about 0.13 ms
    // a picture, more than the trace itself. So the style draws the bar only
    // when its look changes (size, handle length, state, pressed part, an
    // end reached, palette); a move lays the handle over the groove.
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    opt.subControls = QStyle::SC_All;
    // The pressed or hovered part, as QScrollBar works it out for itself.
    switch (repeatAction()) {
    case SliderSingleStepAdd: opt.activeSubControls = QStyle::SC_ScrollBarAddLine; break;
    case SliderSingleStepSub: opt.activeSubControls = QStyle::SC_ScrollBarSubLine; break;
    case SliderPageStepAdd: opt.activeSubControls = QStyle::SC_ScrollBarAddPage; break;
    case SliderPageStepSub: opt.activeSubControls = QStyle::SC_ScrollBarSubPage; break;
    default: break;
    }
    if (isSliderDown())
        opt.activeSubControls = QStyle::SC_ScrollBarSlider;
    if (opt.activeSubControls != QStyle::SC_None)
        opt.state |= QStyle::State_Sunken;
    else if (testAttribute(Qt::WA_Hover) && underMouse())
        opt.activeSubControls =
            style()->hitTestComplexControl(QStyle::CC_ScrollBar, &opt, mapFromGlobal(QCursor::pos()), this);
    QStyle *st = style();
    const QRect handle = st->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this);
    const QRect groove = st->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, this);
    // The handle's edge reaches a pixel or two past its rectangle; within a
    // few pixels of the groove's ends it meets the groove's own edge, and
    // the style draws those few positions itself.
    constexpr int kMargin = 2;
    const bool horizontal = orientation() == Qt::Horizontal;
    const int before = horizontal ? handle.left() - groove.left() : handle.top() - groove.top();
    const int after = horizontal ? groove.right() - handle.right() : groove.bottom() - handle.bottom();
    if (!handle.isValid() || before <= 2 * kMargin || after <= 2 * kMargin) {
        QScrollBar::paintEvent(e);
        return;
    }
    const int state = int(opt.state) ^ (int(opt.activeSubControls) << 8) ^ (opt.upsideDown ? 1 << 30 : 0);
    const qreal ratio = devicePixelRatioF();
    Layers &l = layers_;
    if (l.size != size() || l.handleSize != handle.size() || l.state != state || l.style != st
        || l.palette != palette().cacheKey() || l.ratio != ratio) {
        auto picture = [&](const QStyleOptionSlider &o) {
            QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            QPainter p(&image);
            st->drawComplexControl(QStyle::CC_ScrollBar, &o, &p, this);
            return image;
        };
        QStyleOptionSlider bare = opt;
        bare.subControls &= ~QStyle::SC_ScrollBarSlider;
        l.groove = picture(bare);
        // The handle in the middle, with a margin of plain groove round it.
        QStyleOptionSlider middle = opt;
        middle.sliderPosition = middle.sliderValue = opt.minimum + (opt.maximum - opt.minimum) / 2;
        const QRect at = st->subControlRect(QStyle::CC_ScrollBar, &middle, QStyle::SC_ScrollBarSlider, this);
        const QRect cut = at.adjusted(-kMargin, -kMargin, kMargin, kMargin) & rect();
        l.handleOffset = cut.topLeft() - at.topLeft();
        const QImage full = picture(middle);
        l.handle = full.copy(QRect(cut.topLeft() * ratio, cut.size() * ratio));
        l.handle.setDevicePixelRatio(ratio);
        // A style that covers every pixel gets plain copies, not blending.
        auto opaque = [](QImage &image) {
            for (int y = 0; y < image.height(); ++y) {
                const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                if (!std::all_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) == 255; }))
                    return;
            }
            image = image.convertToFormat(QImage::Format_RGB32);
        };
        opaque(l.groove);
        opaque(l.handle);
        l.size = size();
        l.handleSize = handle.size();
        l.state = state;
        l.style = st;
        l.palette = palette().cacheKey();
        l.ratio = ratio;
    }
    QPainter p(this);
    p.drawImage(0, 0, l.groove);
    const QRect across = horizontal ? QRect(groove.left(), 0, groove.width(), height())
                                    : QRect(0, groove.top(), width(), groove.height());
    p.setClipRect(across);
    p.drawImage(handle.topLeft() + l.handleOffset, l.handle);
}
