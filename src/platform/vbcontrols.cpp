// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/vbcontrols.h"

#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QStyleOptionSlider>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace {
// The handle's edge reaches a pixel or two past its rectangle; within a
// few pixels of the groove's ends it meets the groove's own edge.
constexpr int kMargin = 2;
}  // namespace

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
    // when its look changes (size, handle length, state, pressed part,
    // palette); a move lays the handle over the groove.
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
    QRect handle, groove;
    shownClear_ = place(opt, &handle, &groove);
    const bool horizontal = orientation() == Qt::Horizontal;
    shownHandle_ = QRect();
    if (!handle.isValid()) {
        QScrollBar::paintEvent(e);
        return;
    }
    shownHandle_ = handle;
    const int state = int(opt.state) ^ (int(opt.activeSubControls) << 8) ^ (opt.upsideDown ? 1 << 30 : 0);
    const qreal ratio = devicePixelRatioF();
    auto picture = [&](const QStyleOptionSlider &o) {
        QImage image(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter p(&image);
        st->drawComplexControl(QStyle::CC_ScrollBar, &o, &p, this);
        return image;
    };
    // A style that covers every pixel gets plain copies, not blending.
    auto opaque = [](QImage &image) {
        for (int y = 0; y < image.height(); ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            if (!std::all_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) == 255; }))
                return;
        }
        image = image.convertToFormat(QImage::Format_RGB32);
    };
    Layers &l = layers_;
    if (l.size != size() || l.handleSize != handle.size() || l.state != state || l.style != st
        || l.palette != palette().cacheKey() || l.ratio != ratio) {
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
        opaque(l.groove);
        opaque(l.handle);
        l.ends.clear();
        l.size = size();
        l.handleSize = handle.size();
        l.state = state;
        l.style = st;
        l.palette = palette().cacheKey();
        l.ratio = ratio;
    }
    QPainter p(this);
    if (!shownClear_) {
        // Within a few pixels of the groove's ends the handle's edge meets
        // the groove's own, so those few positions are kept whole. Paging
        // from the start of a long file dwells there.
        auto at = std::find_if(l.ends.begin(), l.ends.end(), [&](const auto &end) { return end.first == handle; });
        if (at == l.ends.end()) {
            QImage whole = picture(opt);
            opaque(whole);
            at = l.ends.insert(l.ends.end(), {handle, std::move(whole)});
        }
        p.drawImage(0, 0, at->second);
        return;
    }
    p.drawImage(0, 0, l.groove);
    const QRect across = horizontal ? QRect(groove.left(), 0, groove.width(), height())
                                    : QRect(0, groove.top(), width(), groove.height());
    p.setClipRect(across);
    p.drawImage(handle.topLeft() + l.handleOffset, l.handle);
}

bool VbScrollBar::place(const QStyleOptionSlider &opt, QRect *handle, QRect *groove) const
{
    *handle = style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this);
    *groove = style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, this);
    const bool horizontal = orientation() == Qt::Horizontal;
    const int before = horizontal ? handle->left() - groove->left() : handle->top() - groove->top();
    const int after = horizontal ? groove->right() - handle->right() : groove->bottom() - handle->bottom();
    return handle->isValid() && before > 2 * kMargin && after > 2 * kMargin;
}

void VbScrollBar::sliderChange(SliderChange change)
{
    // A move between the ends repaints only the handle's old and new place
    // (and whatever lies over them), not the whole bar: the captions above
    // the paging bar overlap its top edge and would be repainted with it.
    if (change == SliderValueChange && shownHandle_.isValid() && shownClear_ && isVisible()) {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        QRect now, groove;
        if (place(opt, &now, &groove)) {
            const QRect both = shownHandle_.united(now).adjusted(-kMargin, -kMargin, kMargin, kMargin);
            update(orientation() == Qt::Horizontal ? QRect(both.left(), 0, both.width(), height())
                                                   : QRect(0, both.top(), width(), both.height()));
            return;
        }
    }
    QScrollBar::sliderChange(change);
}

bool VbLabel::plain() const
{
    // What QLabel would draw with the style's drawItemText and nothing else.
    const QString &t = text();
    return !t.isEmpty() && isEnabled() && frameShape() == QFrame::NoFrame && contentsRect() == rect()
           && margin() == 0 && indent() <= 0
           && !wordWrap() && !buddy() && pixmap().isNull() && !movie()
           && (textFormat() == Qt::PlainText || (textFormat() == Qt::AutoText && !Qt::mightBeRichText(t)))
           && !(textInteractionFlags() & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable))
           && !t.isRightToLeft() && !t.front().isSpace() && !t.back().isSpace()
           && std::none_of(t.begin(), t.end(),
                           [](QChar c) {
                               return c == u'\t' || c == u'\n' || c == u'\r' || c == u'&' || c == QChar(0x9c)
                                      || c == QChar::LineSeparator;
                           })
           && qstrcmp(style()->metaObject()->className(), "QFusionStyle") == 0;
}

namespace {
// One line, as QPainter::drawText(rect, flags, text) lays out a caption.
QTextLine layOutAsDrawText(QTextLayout &layout)
{
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(0x01000000);
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    return line;
}

// A coordinate cut to Qt's 1/64 pixel grid, towards zero, as QTextLine::draw
// cuts a line's origin and baseline (see VbLabel::paintEvent).
qreal cutToGlyphGrid(qreal v)
{
    return std::trunc(v * 64) / 64;
}
}  // namespace

const QTextLine VbLabel::laidOut()
{
    // Laid out once per text and font.
    Line &l = line_;
    if (!l.layout || l.text != text() || l.font != font()) {
        l.layout = std::make_unique<QTextLayout>(text(), font(), this);
        l.layout->setCacheEnabled(true);
        layOutAsDrawText(*l.layout);
        l.text = text();
        l.font = font();
        l.runs.clear();
        l.ink.clear();
        l.inkAll = QRectF();
        // Lines, not glyphs, carry underlines and the like.
        if (!font().underline() && !font().overline() && !font().strikeOut()) {
            l.runs = l.layout->glyphRuns();
            for (const QGlyphRun &run : l.runs) {
                const QRawFont raw = run.rawFont();
                const QList<quint32> glyphs = run.glyphIndexes();
                const QList<QPointF> at = run.positions();
                std::vector<QRectF> ink;
                for (qsizetype i = 0; i < glyphs.size() && i < at.size(); ++i) {
                    // Two pixels round the outline's box, for antialiasing and hinting.
                    ink.push_back(raw.boundingRect(glyphs[i]).translated(at[i]).adjusted(-2, -2, 2, 2));
                    l.inkAll |= ink.back();
                }
                l.ink.push_back(std::move(ink));
            }
        }
    }
    return l.layout->lineAt(0);
}

bool VbLabel::drawPart(QPainter &p, const QTextLine &line, QPointF origin, const QRect &part)
{
    const Line &l = line_;
    if (l.runs.isEmpty() || p.deviceTransform().type() > QTransform::TxTranslate)
        return false;
    // The line's origin and baseline cut to Qt's 1/64 pixel grid as
    // QTextLine::draw cuts them (see paintEvent); the glyphs' places are
    // already on it.
    const QPointF at(cutToGlyphGrid(origin.x()), cutToGlyphGrid(origin.y() + line.ascent()) - line.ascent());
    const QRectF reach = QRectF(part).translated(-at);
    // The glyphs whose ink reaches the part painted: a strip the paging
    // bar's handle uncovers, or the few rows of the caption's descenders
    // that lie over the bar. When most of them do, the line is drawn whole.
    qsizetype total = 0, reached = 0;
    for (const std::vector<QRectF> &ink : l.ink) {
        total += qsizetype(ink.size());
        for (const QRectF &box : ink)
            reached += box.intersects(reach) ? 1 : 0;
    }
    if (reached * 2 > total)
        return false;
    for (qsizetype k = 0; reached > 0 && k < l.runs.size(); ++k) {
        const std::vector<QRectF> &ink = l.ink[size_t(k)];
        const QList<quint32> all = l.runs[k].glyphIndexes();
        const QList<QPointF> allAt = l.runs[k].positions();
        QList<quint32> glyphs;
        QList<QPointF> places;
        for (size_t i = 0; i < ink.size(); ++i)
            if (ink[i].intersects(reach)) {
                glyphs.append(all[qsizetype(i)]);
                places.append(allAt[qsizetype(i)]);
            }
        if (glyphs.isEmpty())
            continue;
        QGlyphRun some = l.runs[k];
        some.setGlyphIndexes(glyphs);
        some.setPositions(places);
        p.drawGlyphRun(at, some);
    }
    return true;
}

namespace {
// The characters of the time captions. Each is one glyph whose advance
// does not depend on its neighbours, in the fonts this program meets; a
// font where that fails (kerning, ligatures, a fallback font) is found out
// once and its captions go through QTextLayout.
const char16_t kNumberChars[] = u"0123456789,.";
constexpr int kNumberCount = int(std::size(kNumberChars)) - 1;

}  // namespace

// Plain numbers only: the cache outlives the application, and a font or a
// raw font kept here would be let go after the font engines are gone.
struct NumberGlyphs {
    QString font;  // QFont::key()
    bool usable = false;
    quint32 glyph[kNumberCount] = {};
    qreal advance[kNumberCount] = {};
    qreal baseline = 0, ascent = 0, descent = 0;
};

namespace {
int numberIndex(QChar c)
{
    for (int k = 0; k < kNumberCount; ++k)
        if (c.unicode() == kNumberChars[k])
            return k;
    return -1;
}

// Every ordered pair of the characters, laid out as QPainter::drawText
// lays out a caption: one glyph each, at the same advance wherever it
// stands, or the font is not usable for numbers put together.
NumberGlyphs measureNumberGlyphs(const QFont &font)
{
    NumberGlyphs g;
    g.font = font.key();
    QString pairs;
    for (int a = 0; a < kNumberCount; ++a)
        for (int b = 0; b < kNumberCount; ++b)
            pairs += QChar(kNumberChars[a]), pairs += QChar(kNumberChars[b]);
    QTextLayout layout(pairs, font);
    const QTextLine line = layOutAsDrawText(layout);
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1)
        return g;
    const QList<quint32> glyphs = runs[0].glyphIndexes();
    const QList<QPointF> at = runs[0].positions();
    if (glyphs.size() != pairs.size() || at.size() != pairs.size() || at[0].x() != 0)
        return g;
    bool seen[kNumberCount] = {};
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        const int k = numberIndex(pairs[i]);
        const qreal advance = (i + 1 < at.size() ? at[i + 1].x() : line.horizontalAdvance()) - at[i].x();
        if (at[i].y() != at[0].y())
            return g;
        if (!seen[k]) {
            seen[k] = true;
            g.glyph[k] = glyphs[i];
            g.advance[k] = advance;
        } else if (g.glyph[k] != glyphs[i] || g.advance[k] != advance) {
            return g;
        }
    }
    // The caption draws with the font's own raw font: it must be the one
    // the layout used.
    if (!(QRawFont::fromFont(font) == runs[0].rawFont()))
        return g;
    g.baseline = at[0].y();
    g.ascent = line.ascent();
    g.descent = line.descent();
    g.usable = true;
    return g;
}

std::shared_ptr<const NumberGlyphs> numberGlyphs(const QFont &font)
{
    // A handful of fonts at most: the captions share theirs.
    static std::vector<std::shared_ptr<const NumberGlyphs>> known;
    const QString key = font.key();
    for (const auto &g : known)
        if (g->font == key)
            return g;
    if (known.size() >= 8)
        known.erase(known.begin());
    known.push_back(std::make_shared<const NumberGlyphs>(measureNumberGlyphs(font)));
    return known.back();
}
}  // namespace

bool VbLabel::numberLine()
{
    Number &n = number_;
    if (n.text == text() && n.font == font())
        return n.valid;
    if (n.font != font() || !n.raw.isValid()) {
        n.raw = QRawFont::fromFont(font());
        n.glyphs.reset();
    }
    n.text = text();
    n.font = font();
    n.valid = false;
    if (n.text.isEmpty() || n.text.size() > 64 || numberIndex(n.text.front()) < 0)
        return false;
    // Measured once per font (a page changes the text, not the font).
    if (!n.glyphs)
        n.glyphs = numberGlyphs(n.font);
    const NumberGlyphs *g = n.glyphs.get();
    if (!g->usable)
        return false;
    QList<quint32> glyphs;
    QList<QPointF> at;
    glyphs.reserve(n.text.size());
    at.reserve(n.text.size());
    qreal x = 0;
    for (QChar c : n.text) {
        const int k = numberIndex(c);
        if (k < 0)
            return false;
        glyphs.append(g->glyph[k]);
        at.append(QPointF(x, g->baseline));
        x += g->advance[k];
    }
    n.run = QGlyphRun();
    n.run.setRawFont(n.raw);
    n.run.setGlyphIndexes(glyphs);
    n.run.setPositions(at);
    n.ascent = g->ascent;
    n.descent = g->descent;
    n.baseline = g->baseline;
    n.advance = x;
    n.valid = true;
    return true;
}

int VbLabel::TextWidth()
{
    if (text().isEmpty() || !plain())
        return fontMetrics().horizontalAdvance(text());
    return qRound(numberLine() ? number_.advance : laidOut().horizontalAdvance());
}

void VbLabel::paintEvent(QPaintEvent *e)
{
    if (!plain()) {
        QLabel::paintEvent(e);
        return;
    }
    QPainter p(this);
    const QTransform &device = p.deviceTransform();
    const bool number = device.type() <= QTransform::TxTranslate && numberLine();
    const QTextLine line = number ? QTextLine() : laidOut();
    // Placed in the rectangle as drawText places it. (QTextLine::height()
    // is rounded up; drawText goes by the exact ascent and descent.)
    const QRect r = contentsRect();
    const int flags = int(QStyle::visualAlignment(Qt::LeftToRight, alignment()));
    const qreal height = number ? number_.ascent + number_.descent : line.ascent() + line.descent();
    const qreal advance = number ? number_.advance : line.horizontalAdvance();
    qreal y = 0, x = 0;
    if (flags & Qt::AlignBottom)
        y = r.height() - height;
    else if (flags & Qt::AlignVCenter)
        y = (r.height() - height) / 2;
    if (flags & Qt::AlignRight)
        x = r.width() - advance;
    else if (flags & Qt::AlignHCenter)
        x = (r.width() - advance) / 2;
    QStyleOption opt;
    opt.initFrom(this);
    p.setPen(QPen(opt.palette.brush(foregroundRole()), p.pen().widthF()));
    // (A line that does not fit is cut at the caption's edges, as drawText
    // cuts it at its rectangle: here the same.)
    if (!number) {
        const QPointF origin(r.x() + x, r.y() + y);
        if (!drawPart(p, line, origin, e->rect()))
            line.draw(&p, origin);
        return;
    }
    // QTextLine::draw cuts the line's origin and baseline to Qt's 1/64
    // pixel grid, towards zero, in the painter's own coordinates (the
    // device's translation comes after), and adds the advances to that; a
    // glyph run's positions are cut one by one. So the run starts where
    // the line's first glyph would land. (Where they fall on the device
    // is not the same: a caption wider than its label, or a grab of part
    // of a window, puts one of the two left of zero.)
    const qreal left = cutToGlyphGrid(r.x() + x);
    const qreal top = cutToGlyphGrid(r.y() + y + number_.baseline) - number_.baseline;
    p.drawGlyphRun(QPointF(left, top), number_.run);
}
