// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window. Its members are the front panel's controls and the shared
// state; the handlers keep the names the program is built around and are
// defined beside the subsystem that does the work (acquisition/, display/,
// files/, print/, help/, levelmeter/), each a few lines that call into it.
#include "analysis/measure.h"
#include "analysis/options.h"
#include "app/scopestate.h"
#include "display/frameclock.h"
#include "display/screenreaders.h"
#include "platform/errortable.h"
#include "print/commondialog.h"  // printing: the printer dialog control

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QToolButton>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QAction;
class QMenu;
class QTimer;
class Ris;
class Scala;  // level meter
class SpectrumWindow;
class CursorTool;
class ExportTool;
class InputTool;
class MathTool;
class OverviewTool;
class EventTool;
class PersistenceTool;
class ReferenceTool;
class XYTool;
class SaveZvuk;  // capture: memory-recording progress window
class StreamRecorder;  // capture: a long recording streamed to disk
class VbComboBox;
class VbScrollBar;

class Pribor : public QMainWindow {
    Q_OBJECT
public:
    explicit Pribor(QWidget *parent = nullptr);
    ~Pribor() override;

    ScopeState st;

    // Buttons (square picture buttons whose text is a tooltip).
    QToolButton *OpenBitton, *SaveFileBiton, *PrintBiton, *Stopbiton, *SaveBiton, *zapis, *XminY;
    // Selectors and their captions.
    VbComboBox *U2, *U1, *RasTime;
    QLabel *NLeft, *NRigt, *Razv;
    // Drawing surface, position bars and labels.
    Ris *RisBox;
    VbScrollBar *VScroll2, *VScroll1, *HScroll1;
    QLabel *nachalo, *konec, *Label3, *Label1, *Label2;
    // Menus.
    QMenu *File, *Run, *Setup, *HelpMenu;
    QAction *OpenWav, *SaveWav, *PrintMenu, *Quit;
    QAction *RunMenu, *SigmMenu, *StopMenu, *Uroven;
    QAction *Spektr;  // spectrum window, off unless chosen
    QAction *Ster, *TimeMenu;
    QAction *SpravMenu, *OProgMenu;
    // Timers.
    QTimer *Timer1, *TimerIndikator, *Timer3;
    // The live picture at display rate (Globals::DisplayRate): runs beside
    // Timer1 while capture runs and draws the newest samples once per
    // refresh of the screen the window is on.
    FrameClock *FrameTimer = nullptr;

    // Beyond the front panel, each off until switched on: cursors, the
    // X-Y picture, exports and the choice of input (src/app/*tool.cpp).
    CursorTool *CursorsTool = nullptr;
    XYTool *XYView = nullptr;
    ExportTool *Exports = nullptr;
    InputTool *Input = nullptr;
    // The computed trace M (menu «Математика» in the setup menu).
    MathTool *MathView = nullptr;
    // Persistence of the traces (menu «Послесвечение»).
    PersistenceTool *Persist = nullptr;
    // Reference traces R1–R4 (menu «Опорные осциллограммы»).
    ReferenceTool *References = nullptr;
    // The overview of the whole recording under the screen (src/app/overviewtool.cpp).
    OverviewTool *Overview = nullptr;
    EventTool *Events = nullptr;

    // «Язык / Language» in the setup menu: as the system's locale says,
    // Russian or English; spoken from the next start.
    QMenu *LanguageMenu = nullptr;
    QAction *LangAuto = nullptr, *LangRussian = nullptr, *LangEnglish = nullptr;
    void LanguageMenu_Click(int choice);  // a Language::Choice

    // The features that read each screen, registered at start-up (the
    // display publishes to them; see display/screenreaders.h).
    ScreenReaders Readers;

    // Sound device: shown while the demo generator stands in for a sound input.
    QLabel *DemoNotice = nullptr;

    // Window geometry in twips, as the settings store it. The outer size is
    // the window with its title bar, menu bar and borders.
    double LeftTw() const;
    double TopTw() const;
    double WidthTw() const;
    double HeightTw() const;
    void SetBoundsTw(double left, double top, double width, double height);
    // The bounds the window returns to from maximized or minimized.
    void NormalBoundsTw(double &left, double &top, double &width, double &height) const;
    int WindowStateVb() const;  // 0 normal, 1 minimized, 2 maximized
    // Height of the area below the menu bar that the controls share.
    int ClientHeightPx() const;
    void SetWindowStateVb(int state);
    // Places a control at a position given in twips of the client area.
    static void PlaceTw(QWidget *w, double left, double top, double width, double height);

    // Start-up and shut-down.
    void Form_Load();
    void Form_Unload();
    void Form_Resize();

    // Commands carried out by the main window itself.
    void Ster_Click();
    void XminY_Click();
    void Quit_Click();

    // Capture, refresh and memory recording.
    void zapis_Click();
    void RunMenu_Click() { zapis_Click(); }
    void Stopbiton_Click();
    void StopMenu_Click() { Stopbiton_Click(); }
    void SaveBiton_Click();
    void SigmMenu_Click() { SaveBiton_Click(); }
    void Timer1_Timer();
    void FrameTimer_Timer();
    // Capture start: the first pass is recorded while the window goes on.
    // True until it is complete, failed or stopped.
    bool CaptureStarting() const { return startPending_; }
    // Waits for the first pass to be recorded, as a start once did (the
    // refresh and the frame, called directly, do so first).
    void FinishCaptureStart();
    void TimerIndikator_Timer();
    void TimeMenu_Click();
    // Capture: helpers of start, stop, refresh and memory recording.
    void ShowDeviceError(int code);
    void RecoverFromInvalidFile(int code, TrapSite site);
    void EndCaptureAfterFailure();
    void ReselectSweep();
    void LoadAndUnloadOpenFile();
    void OperatorStopsRecording();
    void CloseSaveZvuk();
    SaveZvuk *SaveZvukWindow() const { return saveZvuk_; }
    // Memory recording safety: the front-panel controls whose handlers would
    // restart capture are disabled while a memory recording runs and get
    // their states back when it ends; a recording whose end fails is kept
    // wherever it can be written and shown.
    bool MemoryRecordingRuns() const { return memoryRecording_; }
    void EnterRecordingPanel();
    void LockPanelForRecording();
    void UnlockPanelAfterRecording();
    void EnableStoppedPanel();
    // A device command of a refresh tick or frame failed with `r`.
    void EndTickAfterDeviceFailure(int r);
    void KeepMemoryRecording(int cause);
    // A recording longer than the classic minute (section "Recording") goes
    // to a file of its own as it arrives; it ends by the same stops.
    bool StartStreamRecording(int lengthSeconds);
    void TickStreamRecording();
    void FinishStreamRecording();
    // A time-stamped file name in the Mem folder for a recording that had to
    // be kept outside the working file.
    static QString RescueFileName();
    double SecondsNow() const;
    void MarkPassStart();

    // Display controls.
    void RasTime_Click();
    void U1_Click();
    void U2_Click();
    void VScroll1_Change();
    void VScroll2_Change();
    void HScroll1_Change();

    // Files.
    void OpenWav_Click();
    void OpenBitton_Click() { OpenWav_Click(); }
    void SaveFileBiton_Click();
    void SaveWav_Click() { SaveFileBiton_Click(); }
    // Files: shows the file named by FlName (measures it, checks its format
    // through the sound device, sets the scroll range and draws it). False
    // when the file was refused: nothing of it is drawn.
    bool OpenWorkingFile();
    // Files: opens the oscillogram at `path` as the open dialog does: the
    // same checks and messages, the working file replaced only by a file
    // that can be shown, then shown from its beginning. False when refused,
    // failed or cancelled; the window then shows what it showed before.
    bool OpenOscillogram(const QString &path);
    // "name.wav — Сигмалит" while a file the user opened or saved is shown,
    // the bare name otherwise (st.ShownAs).
    void ShowTitle();

    // Display: reads one screen of FlName (at `start` while capturing, else
    // where HScroll1 puts the view), builds the buffers and draws them.
    void RedrawTraces(int64_t start);
    // Display: paints graticule, time labels and traces on RisBox from the buffers.
    void PrepareScreen(int32_t points, int16_t sweep, int64_t start, uint8_t &channels);

    // Printing.
    void PrintBiton_Click();
    void PrintMenu_Click();
    // Printing: the printer dialog control, holding the current printer.
    PrinterCommonDialog CommonDialog1;

    // Level meter.
    void Uroven_Click();
    // Hands the display buffers just drawn to the level window while it is shown.
    void FeedLevelMeter();
    // Level meter and window layout: the level window exists while Uroven is checked.
    Scala *ScalaWindow = nullptr;

    // Trigger, readouts and calibration: menu "Синхронизация", all off by
    // default (src/app/triggerhooks.cpp, computations in src/analysis).
    QMenu *Sinhro = nullptr;
    QAction *TrigOff, *TrigAuto, *TrigNormal, *TrigSingle;
    QAction *TrigCh1, *TrigCh2, *TrigRise, *TrigFall;
    QAction *TrigLeft, *TrigOneDiv, *TrigCentre;
    QAction *TrigNext, *TrigPrev, *MeasureMenu, *CalibMenu;
    QMenu *TrigHoldoff = nullptr;
    Options::TriggerOptions Trig;
    bool MeasureShown = false;
    double CalFactor[2] = {1.0, 1.0};  // channel 1, channel 2
    Measure::Readings Readings[2];
    bool ReadingsShown[2] = {false, false};
    void TriggerMenu_Click();  // mode, source, slope or place chosen
    void TrigNext_Click();
    void TrigPrev_Click();
    void MeasureMenu_Click();
    void CalibMenu_Click();
    // Shows the calibration marks by the channel captions.
    void ShowCalibration();
    // Redraw hooks. While capturing with the trigger on: moves the read to
    // the triggered screen (false: nothing to draw this time).
    bool PlaceLiveTrigger(int64_t &readFrom, int32_t wordCount, int sweep, int32_t &extraBytes, double &shiftFrames);
    void MeasureScreen(const QByteArray &block, int sweep);
    void DrawScreenExtras();
    // Widens the time captions when their number is wider than their place.
    void FitTimeLabels();
    // At display rate: where the newest triggered screen starts in
    // `stretch`, the newest samples of the stream; none when no trigger fits.
    // `stretchStart`: the stream frame the stretch starts at.
    std::optional<Trigger::ScreenStart> PlaceFrameTrigger(const QByteArray &stretch, int32_t wordCount, int sweep,
                                                          int64_t stretchStart);
    // How many of the newest frames a display-rate frame searches for its trigger.
    // `streamSince`: frames the stream delivered since the last search.
    qint64 FrameTriggerSearch(int32_t wordCount, int sweep, int64_t streamSince = 0);
    // Single mode: the triggered pass is kept and shown as after Стоп.
    void StopOnSingleTrigger(int64_t readFrom);
    // Single mode at display rate: stops and shows the triggered screen,
    // `recordedFrame` frames into the recording the stop saves.
    void StopOnSingleFrame(int64_t recordedFrame, int frameBytes);
    // Reads the stopped file again with the view at byte `position`.
    void PageViewTo(int64_t position);
    // Pages a stopped file so that the trigger event at `frame` (frames
    // from DataStart, with a fraction) stands where the trigger puts it.
    void ShowTriggerEvent(double frame);
    // Spectrum window: shown while Spektr is checked; fed by each redraw
    // that reads the file, with the screen read (start, bytes), and by the
    // live picture at display rate from memory, as often as the fastest
    // refresh would (kSpectrumPeriodMs).
    void Spektr_Click();
    void FeedSpectrum(int64_t start, int32_t length);
    static constexpr int kSpectrumPeriodMs = 100;
    SpectrumWindow *SpektrWindow = nullptr;

    // Help and about.
    void Timer3_Timer();
    void SpravMenu_Click();
    void OProgMenu_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void buildTriggerMenu();
    void buildTools();
    void buildLanguageMenu();
    void pageTrigger(bool forward);
    // The trigger condition as set in the menu, the level calibrated (and
    // moved by the mean of `x` with centred beams), for channel `src`.
    Trigger::Condition liveCondition(std::span<const int16_t> x, int src) const;
    bool draggingLevel_ = false;
    bool singleFired_ = false;
    void connectHandlers();
    void placeAtDesign();
    // Files: the steps after the working file took a newly chosen file.
    void showOpenedFile(int rememberedSweep, const QString &source);
    double nonClientHeightPx() const;
    // Capture state.
    QElapsedTimer captureClock_;
    QElapsedTimer frameSearched_;  // at display rate: since the last trigger search
    // The live trigger examines every event of the stream once, not only
    // those a shown screen happens to hold (Trigger::StreamEvents). The
    // refresh keeps the end of each pass: an event too near a pass's end
    // for its screen is shown from there and the next pass, from memory.
    struct LiveEventsKey {
        int sweepIndex = -1, channels = 0, rate = 0, source = 0;
        Trigger::Slope slope = Trigger::Slope::Rising;
        double levelVolts = 0, holdoffSeconds = 0;
        bool displayRate = false;
        bool operator==(const LiveEventsKey &) const = default;
    };
    // Forgets what was examined when the search changed (or `restart`).
    void keepLiveEvents(bool restart);
    Trigger::StreamEvents liveEvents_;
    LiveEventsKey liveEventsKey_;
    QByteArray passTail_;         // the previous pass's last frames
    int64_t passStreamEnd_ = 0;   // frames of the passes so far
    uint64_t passCount_ = 0;      // passes started since capture started
    uint64_t tailPass_ = 0;       // the pass passTail_ ended
    QByteArray liveScreen_;       // a triggered screen from memory (empty: from the file)
    QByteArray singleJoined_;     // single mode: the passes that screen lies in
    int64_t frameSearchedEnd_ = -1;  // at display rate: the stream's end at the last search
    // The window's own readers of the screen: the trigger marker and the
    // readings under it, and the spectrum window's feed.
    std::unique_ptr<ScreenReader> screenMarks_, spectrumFeed_;
    std::unique_ptr<ScreenReader> makeScreenMarks();
    std::unique_ptr<ScreenReader> makeSpectrumFeed();
    // The frame PrepareScreen publishes: the picture's map, from the controls.
    ScreenFrame paintedFrame(int32_t points, int sweep, int64_t start, int channels, bool tracesDrawn) const;
    double passStartSeconds_ = 0;
    // Capture start: the first pass on its way (zapis_Click), told by
    // number so a notice of an earlier start is never taken for this one's.
    bool startPending_ = false;
    quint64 startNumber_ = 0;
    void firstPassDone(int error);
    void captureStartFailed(int r);
    // The refresh timer's way in, and its return once the pass is long
    // enough or the stream has caught up (passDue_).
    void refreshTick();
    void frameTick();
    double passRemainingMs() const;
    QTimer *passDue_ = nullptr;
    bool recovering_ = false;
    SaveZvuk *saveZvuk_ = nullptr;
    bool memoryRecording_ = false;
    std::shared_ptr<StreamRecorder> stream_;
    int streamSeconds_ = 0;  // the chosen length; 0 until stopped
    // A start that failed with "no suitable input" leaves the device open;
    // the next start closes it first.
    bool deviceLeftOpen_ = false;
    std::vector<std::function<void()>> panelRestore_;
    QRect boundsPx() const;
    bool sameAsSet(const QRect &px) const;  // the bounds set, give or take rounding

    // Pixels lose twips; bounds read back unchanged since they were set
    // report the twips they were set with, so stored sizes do not drift.
    double setTw_[4] = {0, 0, 0, 0};
    QRect setPx_;
    // Outer bounds last seen while the shown window was in its normal
    // state, and the ones before (see changeEvent). A window never shown in
    // its normal state returns to the bounds it was given.
    void noteNormalBounds();
    QRect normalPx_, previousNormalPx_;
    bool normalSeen_ = false;
};
