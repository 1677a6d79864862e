// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Widgets with the behaviour the handlers are written against: a selector
// whose entries carry a number, and a scroll bar whose minimum may lie above
// its maximum (the vertical position bars run from 32767 at the top to
// -32768 at the bottom). Assigning a new value raises the change signal at
// once, nested in the caller; assigning the same value raises nothing.
// A caption that keeps its laid-out line between paints.
#include <QComboBox>
#include <QGlyphRun>
#include <QRawFont>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTextLayout>
#include <memory>
#include <utility>
#include <vector>

class QStyleOptionSlider;

class VbComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit VbComboBox(QWidget *parent = nullptr);
    void AddItem(const QString &text, int itemData);
    int ListIndex() const { return currentIndex(); }
    void SetListIndex(int index) { setCurrentIndex(index); }
    int ItemData(int index) const;
    int ListCount() const { return count(); }
signals:
    void Click();
};

class VbScrollBar : public QScrollBar {
    Q_OBJECT
public:
    VbScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);
    // min is the value at the top (or left) end, max at the bottom (or right).
    void SetRange(int min, int max);
    void SetSmallChange(int step);
    void SetLargeChange(int step);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int SmallChange() const { return singleStep(); }
    int LargeChange() const { return pageStep(); }
    int Value() const;
    void SetValue(int value);  // clamped into the range
signals:
    void Change();

protected:
    void paintEvent(QPaintEvent *e) override;
    void sliderChange(SliderChange change) override;

private:
    bool reversed() const { return min_ > max_; }
    // The handle's and the groove's rectangles; true when the handle lies
    // clear of the groove's ends, where a move changes nothing but the
    // handle's old and new place.
    bool place(const QStyleOptionSlider &opt, QRect *handle, QRect *groove) const;
    QRect shownHandle_;
    bool shownClear_ = false;
    int min_ = 0, max_ = 100;
    // The bar's picture in two layers, drawn by the style once per look:
    // the groove with its arrows, and the handle cut from a picture with
    // the handle in the middle. See paintEvent.
    struct Layers {
        QImage groove, handle;
        QPoint handleOffset;  // of the handle picture from the handle's corner
        std::vector<std::pair<QRect, QImage>> ends;  // whole pictures, the handle at an end
        QSize size, handleSize;
        int state = 0;
        qint64 palette = 0;
        const QStyle *style = nullptr;
        qreal ratio = 0;
    } layers_;
};

struct NumberGlyphs;  // a font's digits, measured once (vbcontrols.cpp)

// A plain caption painted as QLabel paints it, except that the line is laid
// out once per text, font and size instead of on every paint: the time
// captions and the one between them are repainted on every page of a file.
// Anything else a label can show (rich text, pictures, frames, wrapping,
// mnemonics, style sheets, other styles) is left to QLabel.
class VbLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // The text's width in pixels, as QFontMetrics::horizontalAdvance gives
    // it, from the same laid-out line the next paint draws.
    int TextWidth();

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    bool plain() const;
    const QTextLine laidOut();
    struct Line {
        std::unique_ptr<QTextLayout> layout;
        QString text;
        QFont font;
        // The line's glyphs and, per run and glyph, where its ink can reach
        // (from the line's origin): a paint of a small part of the caption
        // (a strip the paging bar's handle uncovers, or the rows that lie
        // over the bar) draws only the glyphs that reach it, not the whole
        // line clipped.
        QList<QGlyphRun> runs;
        std::vector<std::vector<QRectF>> ink;
        QRectF inkAll;
    } line_;
    bool drawPart(QPainter &p, const QTextLine &line, QPointF origin, const QRect &part);
    // A number (digits, comma, point) is put together from its glyphs, as
    // long as the font lays them out side by side; see numberLine.
    bool numberLine();
    struct Number {
        QString text;
        QFont font;
        QGlyphRun run;
        QRawFont raw;  // the font's, kept while the font stays
        std::shared_ptr<const NumberGlyphs> glyphs;  // the font's, once measured
        qreal ascent = 0, descent = 0, baseline = 0, advance = 0;
        bool valid = false;
    } number_;
};
