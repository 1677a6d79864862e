// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The index of every trigger event of the open recording (menu «Указатель
// запусков»): read in the background with the trigger as it is set now
// (export/eventlist, the index the command `sigmalit events` runs), listed
// in a window of its own with each event's time, frequency, period,
// peak-to-peak and RMS, marked on the overview strip, and taken by the
// trigger paging instead of reading the file again. Nothing of it exists
// until the window is opened.
#include "analysis/trigger.h"
#include "app/toolhost.h"
#include "display/screenreaders.h"
#include "export/eventlist.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class EventWindow;
class TrendWindow;
class QTimer;

// What the tool needs of the trigger, from the window that holds it.
struct EventHooks {
    struct Setup {
        Trigger::Condition condition;  // level in raw units, not moved by the mean
        int channel = 0;               // in the frame
        double voltsPerUnit = 0;
        double holdoffSeconds = 0;     // the trigger's holdoff
    };
    std::function<Setup()> setup;
    // Pages the stopped view so that the event at `frame` (frames from the
    // first one read) stands where the trigger puts it.
    std::function<void(double frame)> showEvent;
};

class EventTool : public QObject, public ScreenReader {
    Q_OBJECT
public:
    EventTool(const ToolHost &host, EventHooks hooks, QObject *parent);
    ~EventTool() override;

    void SamplesRead(const ScreenFrame &f) override;

    // The window: opened (and the index begun) or closed with the menu item.
    void SetOpen(bool on);
    bool IsOpen() const;
    EventWindow *Window() const;
    // Index the open recording anew with the trigger as it is now.
    void Start();
    void Cancel();

    const std::vector<EventList::Row> &Rows() const { return rows_; }
    bool Running() const { return job_ != nullptr; }
    bool Complete() const { return complete_; }  // the whole recording indexed
    bool Full() const { return full_; }          // stopped at EventList::kMostRows
    double Progress() const;                     // 0…1 while running, else below 0
    QString Problem() const { return problem_; }
    double SampleRate() const { return rate_; }
    double VoltsPerUnit() const { return voltsPerUnit_; }
    // Seconds of a row's position from the recording's start.
    double Seconds(double position) const { return (position + double(source_.lead)) / rate_; }
    // Frames counted from the first one read (the screen's DataStart).
    void Jump(size_t row);
    bool SaveCsv(const QString &path, QString *error) const;

    // For the trigger paging: the next event after `here` + 2 frames (or the
    // last before `here` − 2), when the index was built with this condition
    // over the recording shown and reaches there. Outer empty: the index
    // cannot tell; inner empty: there is no such event.
    std::optional<std::optional<double>> Find(bool forward, double here, const Trigger::Condition &c,
                                              int channel) const;
    // Whether an event lies in frames [from, to) (the overview's ticks).
    bool Any(double from, double to) const;

    // The trend window (one measurement a second), opened and closed with
    // its menu item; it measures the recording open when it opens.
    void SetTrendOpen(bool on);
    TrendWindow *Trend() const;

    QAction *EventMenu = nullptr, *TrendMenu = nullptr;

signals:
    void Changed();  // rows added, begun, ended

private:
    struct Job;
    struct Source {
        QString path;
        int64_t size = 0, modifiedNs = 0;
        int64_t dataOffset = 0, frames = 0;
        int64_t lead = 0;  // frames from the data chunk's first to the first read
        int32_t rate = 0;
        int channels = 0;
        bool operator==(const Source &) const = default;
    };
    std::optional<Source> currentSource() const;
    void clear();
    void poll();

    ToolHost host_;
    EventHooks hooks_;
    // Children of the main window too, which may delete them first.
    QPointer<EventWindow> window_;
    QPointer<TrendWindow> trend_;
    std::optional<Source> shown_;  // the recording on the screen
    Source source_;                // the one indexed
    Trigger::Condition condition_;
    int channel_ = -1;
    double rate_ = 0, voltsPerUnit_ = 0;
    double holdoffFrames_ = 0;
    std::vector<EventList::Row> rows_;
    bool complete_ = false, full_ = false;
    QString problem_;
    std::unique_ptr<Job> job_;
    QTimer *poll_ = nullptr;
};
