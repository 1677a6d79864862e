// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A recording longer than memory should hold: the samples go to a WAV file
// as they arrive (RF64 once it passes 4 GiB), and the header is made true
// once a second and the data pushed to the disk, so a crash or a power cut
// loses about a second at most and the file opens anywhere. Widget-free;
// the window calls Poll() from a timer. Pushing to the disk waits for it,
// so that is done on a thread of the recorder's own.
#include "acquisition/capturesource.h"
#include "analysis/envelope.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <memory>

class CaptureEngine;
struct sf_private_tag;

class StreamRecorder {
public:
    enum class State {
        Running,
        Complete,     // the chosen length is recorded
        Stopped,      // stopped before its length
        DiskFull,     // the disk had no room for more
        SizeLimit,    // the system allows this program no bigger file
        WriteFailed,  // the disk refused for another reason
        InputLost,    // the input failed (InputError() tells how)
    };

    explicit StreamRecorder(CaptureEngine &engine);
    ~StreamRecorder();
    StreamRecorder(const StreamRecorder &) = delete;
    StreamRecorder &operator=(const StreamRecorder &) = delete;

    // Starts recording `format` into `path`, which must not exist yet, for
    // `limitFrames` frames (< 0: until stopped). 0, an MciErr of the input,
    // or MciErr::NotSaved when the file cannot be made (Problem() says why).
    int Start(const QString &path, const CaptureFormat &format, qint64 limitFrames);
    // Writes what arrived; once a second makes the header true. Anything
    // but Running means the recording has ended and the file is closed.
    State Poll();
    // Writes what arrived, makes the header true and closes the file.
    State Stop();

    State Current() const { return state_; }
    qint64 Frames() const { return frames_; }
    const CaptureFormat &Format() const { return format_; }
    const QString &Path() const { return path_; }
    int InputError() const { return inputError_; }
    // What ended the recording, in words for the user; empty when it ran
    // its length or was stopped.
    QString Problem() const;
    // The overview's envelope of every frame written so far, built as they
    // are written (its memory bounded whatever the length).
    Envelope::Levels Overview() const { return envelope_.Finish(); }
    // Bytes free for this user where `path` lies, -1 when unknown.
    static qint64 FreeBytes(const QString &path);

    // The header is made true and the data pushed to the disk at the first
    // poll this long after the last time: with polls every 200 ms, within
    // a second, so that is the most a crash can lose.
    static constexpr int kHeaderPeriodMs = 800;

private:
    bool drain();
    void write(const QByteArray &data);
    void syncHeader();
    void close(State end);
    void pushToDisk(bool last);

    struct DiskSync;

    CaptureEngine &engine_;
    sf_private_tag *file_ = nullptr;
    int fd_ = -1;
    std::shared_ptr<DiskSync> sync_;
    QString path_;
    CaptureFormat format_;
    qint64 limit_ = -1;
    qint64 frames_ = 0;
    State state_ = State::Stopped;
    int inputError_ = 0;
    int writeErrno_ = 0;
    QByteArray chunk_;
    Envelope::Builder envelope_{1, Envelope::kMinBucketFrames};
    std::chrono::steady_clock::time_point lastSync_;
};
