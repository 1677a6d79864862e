// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/streamrecorder.h"

#include "acquisition/captureengine.h"
#include "platform/mcierr.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <sndfile.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

// fdatasync waits as long as the disk wants (hundreds of milliseconds on a
// busy or slow one); the window's thread, which writes the samples, must
// not. This thread does it through a descriptor of its own, so the last
// push runs on after the recorder has closed the file; then the thread
// closes the descriptor and ends by itself.
struct StreamRecorder::DiskSync {
    std::mutex lock;
    std::condition_variable asked;
    int fd = -1;
    bool wanted = false;
    bool last = false;

    // Null when no descriptor or thread could be had: the caller pushes itself.
    static std::shared_ptr<DiskSync> Start(int fileFd)
    {
        const int own = ::fcntl(fileFd, F_DUPFD_CLOEXEC, 0);
        if (own < 0)
            return nullptr;
        auto sync = std::make_shared<DiskSync>();
        sync->fd = own;
        try {
            std::thread([sync] { sync->run(); }).detach();
        } catch (const std::system_error &) {
            ::close(own);
            return nullptr;
        }
        return sync;
    }

    // A push asked for while one runs is done once it ends; pushes asked
    // for meanwhile are one.
    void Request(bool final)
    {
        {
            const std::lock_guard<std::mutex> hold(lock);
            wanted = true;
            last = last || final;
        }
        asked.notify_one();
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            asked.wait(hold, [this] { return wanted; });
            wanted = false;
            const bool end = last;
            hold.unlock();
            ::fdatasync(fd);
            hold.lock();
            if (end)
                break;
        }
        hold.unlock();
        ::close(fd);
    }
};

StreamRecorder::StreamRecorder(CaptureEngine &engine) : engine_(engine) {}

StreamRecorder::~StreamRecorder()
{
    if (file_)
        Stop();
}

int StreamRecorder::Start(const QString &path, const CaptureFormat &format, qint64 limitFrames)
{
    if (file_)
        return MciErr::NotSaved;  // one recording at a time
    path_ = path;
    format_ = format;
    limit_ = limitFrames;
    frames_ = 0;
    inputError_ = writeErrno_ = 0;
    // A name that exists belongs to someone else's recording: never taken over.
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        writeErrno_ = errno;
        state_ = State::WriteFailed;
        return MciErr::NotSaved;
    }
    SF_INFO info{};
    info.samplerate = format.sampleRate;
    info.channels = format.channels;
    info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    // Owns fd_ from here on, and closes it.
    file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        writeErrno_ = errno ? errno : EIO;
        ::close(fd_);
        fd_ = -1;
        QFile::remove(path);
        state_ = State::WriteFailed;
        return MciErr::NotSaved;
    }
    // Plain WAV for everything under 4 GiB: the header keeps room to turn
    // into RF64 in place when the file grows past it.
    sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    if (const int rc = engine_.StartRecording(format, -1, false)) {
        sf_close(file_);
        file_ = nullptr;
        fd_ = -1;
        QFile::remove(path);
        state_ = State::InputLost;
        inputError_ = rc;
        return rc;
    }
    sync_ = DiskSync::Start(fd_);
    envelope_ = Envelope::Builder(format.channels, Envelope::kMinBucketFrames);
    state_ = State::Running;
    lastSync_ = std::chrono::steady_clock::now();
    return 0;
}

void StreamRecorder::write(const QByteArray &data)
{
    const int bpf = format_.BytesPerFrame();
    qint64 frames = data.size() / bpf;
    if (limit_ >= 0)
        frames = std::min(frames, limit_ - frames_);
    if (frames <= 0)
        return;
    errno = 0;
    const sf_count_t done = sf_writef_short(file_, reinterpret_cast<const short *>(data.constData()), frames);
    if (done > 0) {
        frames_ += done;
        if (format_.bitsPerSample == 16)
            envelope_.Add(reinterpret_cast<const int16_t *>(data.constData()), size_t(done));
    }
    if (done < frames) {
        const int e = errno;
        writeErrno_ = e ? e : EIO;
        close(e == ENOSPC || e == EDQUOT ? State::DiskFull : e == EFBIG ? State::SizeLimit : State::WriteFailed);
    }
}

void StreamRecorder::syncHeader()
{
    sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    // Data and header on the disk, not only in the page cache: a power
    // cut then loses no more than a process killed outright.
    pushToDisk(false);
    lastSync_ = std::chrono::steady_clock::now();
}

void StreamRecorder::pushToDisk(bool last)
{
    if (sync_) {
        sync_->Request(last);
        if (last)
            sync_.reset();
    } else if (fd_ >= 0) {
        ::fdatasync(fd_);
    }
}

// Writes what the engine has taken since the last call; false once the
// recording has ended (a failed write, or the input lost).
bool StreamRecorder::drain()
{
    chunk_.clear();
    const int rc = engine_.TakeRecorded(&chunk_);
    write(chunk_);
    if (state_ != State::Running)
        return false;
    if (rc) {
        inputError_ = rc;
        close(State::InputLost);
        return false;
    }
    return true;
}

StreamRecorder::State StreamRecorder::Poll()
{
    if (state_ != State::Running)
        return state_;
    if (!drain())
        return state_;
    if (limit_ >= 0 && frames_ >= limit_) {
        close(State::Complete);
    } else if (std::chrono::steady_clock::now() - lastSync_ >= std::chrono::milliseconds(kHeaderPeriodMs)) {
        syncHeader();
    }
    return state_;
}

StreamRecorder::State StreamRecorder::Stop()
{
    if (state_ != State::Running)
        return state_;
    if (drain())
        close(limit_ >= 0 && frames_ >= limit_ ? State::Complete : State::Stopped);
    return state_;
}

void StreamRecorder::close(State end)
{
    engine_.EndRecording();
    state_ = end;
    if (!file_)
        return;
    // The header lies at the start, in room the file already has: making
    // it true needs no more space even on a full disk.
    sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0);
    if (!sync_)
        pushToDisk(true);  // on this thread, while the file is still open
    if (sf_close(file_) != 0 && state_ != State::InputLost && writeErrno_ == 0) {
        writeErrno_ = EIO;
        state_ = State::WriteFailed;
    }
    file_ = nullptr;
    fd_ = -1;
    // What sf_close wrote last goes too.
    if (sync_)
        pushToDisk(true);
}

QString StreamRecorder::Problem() const
{
    switch (state_) {
    case State::DiskFull:
        return QCoreApplication::translate("Capture", "На диске кончилось место, запись остановлена.");
    case State::SizeLimit:
        return QCoreApplication::translate("Capture", "Файл записи достиг наибольшего размера, разрешённого программе, запись остановлена.");
    case State::WriteFailed:
        return QCoreApplication::translate("Capture", "Запись в файл не удалась (%1), запись остановлена.")
            .arg(QString::fromLocal8Bit(std::strerror(writeErrno_)));
    case State::InputLost:
    case State::Running:
    case State::Complete:
    case State::Stopped:
        break;
    }
    return QString();
}

qint64 StreamRecorder::FreeBytes(const QString &path)
{
    const QStorageInfo where(QFileInfo(path).absolutePath());
    return where.isValid() ? where.bytesAvailable() : -1;
}
