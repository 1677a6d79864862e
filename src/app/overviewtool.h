// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The overview of the whole recording (menu «Обзор записи»): a strip under
// the screen with the lowest and highest samples of both channels over
// the whole file, the screen shown marked on it. A click or a drag there
// pages the screen to that place; the wheel (or the strip's + and −) zooms
// in steps of ten between the whole and a few screens. The strip is there
// for a file longer than the classic minute, and for a shorter one only
// when chosen in the menu; never while capturing. Its envelope is read in
// the background (analysis/envelope, export/envelopecache) and kept in the
// per-user cache folder, so the same file opened again has it at once.
#include "analysis/envelope.h"
#include "app/toolhost.h"
#include "display/screenreaders.h"

#include <QObject>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>

class OverviewStrip;
class QTimer;

class OverviewTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    OverviewTool(const ToolHost &host, QObject *parent);
    ~OverviewTool() override;
    void Load();  // the stored choice

    // Short recordings too (setting Overview/Shown), and whether the strip is
    // on the window now.
    bool ForShortFiles() const { return forShort_; }
    void SetForShortFiles(bool on);
    bool Shown() const { return shown_; }
    // The strip's height in twips, and its place (from the window's layout).
    static constexpr int kHeightTw = 720;
    void Place(const QRect &px);

    void SamplesRead(const ScreenFrame &f) override;
    // The envelope a long recording built of itself while it was written:
    // taken (and cached) instead of reading the file when it is shown.
    void TakeRecorded(const QString &path, Envelope::Levels levels);

    // What the strip draws.
    const Envelope::Levels *Levels() const { return levels_ ? &*levels_ : nullptr; }
    int64_t Frames() const { return frames_; }
    int64_t ScreenFirst() const { return screenFirst_; }
    int64_t ScreenFrames() const { return screenFrames_; }
    // The stretch the strip spans at the zoom chosen: [ViewFrom, ViewFrom + ViewSpan).
    int64_t ViewFrom() const { return viewFrom_; }
    int64_t ViewSpan() const;
    int Zoom() const { return zoom_; }
    int MaxZoom() const;
    void SetZoom(int zoom);
    // Frames count from the first of the file's samples. Pages the screen
    // so that its middle is at `frame`.
    void JumpTo(int64_t frame);
    // Reading in the background: the part done (0…1), or below 0 when not
    // reading; what failed, when it did.
    double Progress() const;
    QString Problem() const { return problem_; }

    // The trigger events on the strip: whether one lies in frames [from,
    // to), counted from the screen's first frame read (the strip's own
    // count less Lead()); the strip asks it column by column.
    std::function<bool(double from, double to)> EventsIn;
    int64_t Lead() const { return source_.lead; }
    // The events found changed: the ticks are drawn again.
    void MarksChanged();

    QAction *OverviewMenu = nullptr;
    OverviewStrip *Strip = nullptr;

private:
    struct Job;
    struct Source {
        QString path;
        int64_t size = 0, modifiedNs = 0, inode = 0;
        int64_t dataOffset = 0, dataBytes = 0;
        int64_t lead = 0;  // frames from the envelope's first to the screen's
        int32_t rate = 0;
        int channels = 0;
        bool operator==(const Source &) const = default;
    };
    std::optional<Source> currentSource() const;
    void startReading(const Source &s, std::optional<Envelope::Levels> given);
    void stopReading();
    void poll();
    void setShown(bool on);
    void keepScreenInView();

    ToolHost host_;
    bool forShort_ = false;
    bool shown_ = false;
    bool relayoutQueued_ = false;
    Source source_;
    std::optional<Envelope::Levels> levels_;
    int64_t frames_ = 0;
    int64_t screenFirst_ = 0, screenFrames_ = 0;
    int64_t viewFrom_ = 0;
    int zoom_ = 0;
    QString problem_;
    struct Recorded {
        QString path;
        Envelope::Levels levels;
    };
    std::optional<Recorded> recorded_;
    std::unique_ptr<Job> job_;
    QTimer *poll_ = nullptr;
};
