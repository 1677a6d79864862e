// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one capture stream behind the sound device. The stream is started in
// the format of the file the device records for and then kept running, so
// a refresh cycle's save, delete, close, open and record cost nothing and
// lose no sound: a recording that follows a save at once starts where the
// save cut. Recordings are held in memory until they are saved.
//
// Runs on the GUI thread. Blocking waits poll the source (no event loop is
// needed); while the event loop runs, a timer keeps draining the source so
// long recordings never overflow the sound server's buffer.
#include "acquisition/capturesource.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QTimer;

class CaptureEngine {
public:
    static CaptureEngine &Instance();

    // Which input to use: empty selects by SIGM_INPUT ("demo", "default" or
    // an input's name or id; unset means the sound server's default input,
    // and the demo generator when there is no input at all). The factory
    // returns nullptr with an MciErr number when no input can be had.
    using SourceFactory = std::function<std::unique_ptr<CaptureSource>(int *error)>;
    void SetSourceFactory(SourceFactory factory);

    // No data for `firstDataMs` after a start, or for `silenceMs` once data
    // flowed, means the input is lost. Silence counts only time the device
    // was actually looking: a process kept from running by a busy machine
    // finds the data waiting, not a dead input.
    void SetTimeouts(int firstDataMs, int silenceMs);

    // Told whenever the stream starts on an input.
    using InputListener = std::function<void(bool demo, const QString &description)>;
    void SetInputListener(InputListener listener);  // adds one; all are told
    bool InputIsDemo() const;
    // The input chosen in the window (empty: the server's default); SIGM_INPUT
    // wins over it. Takes effect when the input is next looked up.
    void SetPreferredInput(const QString &choice);
    // What the last lookup has to tell the user (a chosen input that is
    // gone), once.
    QString TakeInputNotice();
    // The input the stream runs on, empty while none does.
    QString InputDescription() const { return running_ ? description_ : QString(); }

    // Told, from the event loop, when the input is found lost while a
    // recording runs, so a long recording can end at once.
    void SetLossListener(std::function<void()> listener);

    // A device command of the live picture failed with `error`. When that is
    // the input lost, the handler the window set is told; it answers true
    // when it carried capture on (from another input) and the failure is
    // not to be reported. The last handler set is the one told.
    using InputLostHandler = std::function<bool(int error)>;
    void SetInputLostHandler(InputLostHandler handler) { inputLostHandler_ = std::move(handler); }
    bool RaiseInputLost(int error);

    // Starts a recording in `format`. `limitFrames` < 0 records until
    // saved or closed. With `continuePass`, a recording that follows the
    // last save within a moment starts at that save's cut. 0 or MciErr.
    int StartRecording(const CaptureFormat &format, qint64 limitFrames, bool continuePass);
    // Blocks until the recording holds its limit. 0 or MciErr.
    int WaitForLimit();
    // The same without blocking: `done` is told from the event loop once
    // the recording holds its limit (0), or with the failure that ended it.
    // A new recording, its end or a shutdown first drops it untold.
    void WhenLimitReached(std::function<void(int error)> done);
    // Whether a live recording's stream has fallen behind the clock and a
    // save would wait for it (see Recorded): the refresh comes back later
    // instead, until the wait's time is up. A failure found meanwhile is
    // told to the next command.
    bool CatchingUp();
    // Ends the recording where it is (the data stays).
    int StopRecording();
    // Everything recorded so far: a pointer into the stream buffer, valid
    // until the next call. 0 or MciErr (the data is still given then).
    int Recorded(const char **data, qint64 *bytes, CaptureFormat *format);
    // The open-ended recording's frames that arrived since the last take,
    // appended to *out and forgotten here, so a recording of any length
    // holds only what came since. 0 or MciErr (what arrived is still given).
    int TakeRecorded(QByteArray *out);
    // The next recording that continues may start here.
    void MarkCut();
    // Drops what was recorded up to the last cut; recording goes on.
    int DiscardRecorded();
    // Ends the recording and forgets it; the stream keeps running a while.
    void EndRecording();
    bool Recording() const { return rec_ != Rec::None; }
    qint64 RecordedFrames() const;

    // Releases the input (at exit, or when a test changes inputs).
    void Shutdown();

    // The live picture at display rate reads the stream as it grows instead
    // of saving passes. True while a recording runs without a limit.
    bool RecordingOpenEnded() const { return rec_ == Rec::Live && recLimit_ < 0; }
    // The newest `frames` frames of the stream (fewer at its start): a
    // pointer valid until the next call. The open-ended recording keeps
    // only its last `keepFrames` frames, so what a stop saves is the
    // latest stretch and memory stays flat. *intoRecording (when given):
    // how many frames of that recording, and so of what a save of it
    // writes, come before the data given; negative when the data starts
    // earlier than the recording. 0 or MciErr.
    // While the open-ended recording is read this way, nothing depends on
    // where it ends to within a fragment: the input is asked for display
    // fragments (kDisplayFragmentMs) until the next recording starts, and
    // every start asks for timed ones (kTimedFragmentMs) again. The input
    // changes over without a break, so the recording loses nothing.
    int Newest(qint64 frames, qint64 keepFrames, const char **data, qint64 *got, CaptureFormat *format,
               qint64 *intoRecording = nullptr);
    // The display's refresh period: display fragments are no longer than
    // it (nor than kDisplayFragmentMs), so every frame finds new samples.
    void SetFramePeriodMs(double ms);
    // Frames the stream has delivered since capture started: the newest
    // data Newest gives ends there.
    qint64 StreamFrames() const { return end_; }

private:
    CaptureEngine();
    using Clock = std::chrono::steady_clock;

    int ensureRunning(const CaptureFormat &format);
    void askFragments(int ms);
    std::unique_ptr<CaptureSource> makeSource(int *error);
    int pump();
    int pumpExpectingData();
    // Behind the clock, and not for kCatchUpMs yet.
    bool behind();
    int takePending();
    void finish();
    void lose();
    void trim();
    void armTimer();
    void onTimer();
    void dropLimitWait();
    void onLimitWait();

    SourceFactory factory_;
    std::vector<InputListener> listeners_;
    QString preferred_;
    QString inputNotice_;
    std::function<void()> lossListener_;
    InputLostHandler inputLostHandler_;
    // The demo generator stands in only until a real input has been used:
    // a real input that goes away is reported, never silently replaced.
    bool realInputSeen_ = false;
    // A one-beam recording is taken from the first channel of a two-channel
    // stream, not from the server's mix of both.
    int sourceChannels_ = 0;
    QByteArray scratch_;
    std::unique_ptr<CaptureSource> source_;
    CaptureFormat format_;
    bool running_ = false;
    bool demo_ = false;
    int fragmentMs_ = kTimedFragmentMs;
    int displayFragmentMs_ = kDisplayFragmentMs;
    QString description_;
    int pendingError_ = 0;

    // The stream: frames [bufStart_, end_) are held in buf_.
    QByteArray buf_;
    qint64 bufStart_ = 0;
    qint64 end_ = 0;

    // The recording: while Live, the stream's frames from recStart_ up to
    // recLimit_ (< 0: no limit); once a limited one is complete it is cut
    // out of the stream into done_, so the stream can move on.
    enum class Rec { None, Live, Done };
    Rec rec_ = Rec::None;
    qint64 recStart_ = 0;
    qint64 recLimit_ = -1;
    QByteArray done_;
    qint64 cut_ = -1;
    Clock::time_point cutTime_;
    Clock::time_point lastRecordingEnd_;

    // Where the stream was known to be current: a read that found data
    // right after another read. How far it lags behind the clock since
    // then tells a live input from one that stopped.
    Clock::time_point anchorTime_;
    qint64 anchorFrame_ = 0;
    Clock::time_point lastRead_;
    double lagMs(Clock::time_point now) const;

    Clock::time_point started_;
    double quietMs_ = 0;
    bool gotData_ = false;
    int firstDataMs_ = 3000;
    int silenceMs_ = 1500;

    QTimer *timer_ = nullptr;
    // WhenLimitReached: looks at the input every kLimitPollMs.
    QTimer *limitTimer_ = nullptr;
    std::function<void(int)> limitDone_;
    // Since when the stream has been found behind the clock (a save's wait
    // for it to catch up counts from here); unset while it keeps up.
    Clock::time_point behindSince_{};
};
