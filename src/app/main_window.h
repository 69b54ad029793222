// The main window: the black race panel, the status bar and the popup menu.
// It owns the capture component, the one-second timer and the Qt-free core,
// forwards their events to the core and shows what the core reports.
#pragma once

#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "capture/snoop.h"
#include "common/clock.h"
#include "game/core.h"
#include "notify/sound_player.h"
#include "race/panel.h"

namespace kestro {

class TfrmZKabout;
class TfrmZKconfig;
class TfrmZKlog;

// A status bar of two fixed panels side by side, as the window's design has it.
class TStatusBar : public QFrame {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent);
    QLabel* Panel(int index) const { return panels_[index]; }
    int PanelWidth(int index) const { return widths_[index]; }
    void SetPanelWidth(int index, int width);

signals:
    void Resized();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOut();
    std::array<QLabel*, 2> panels_{};
    std::array<int, 2> widths_{50, 80};
};

class TfrmZKmain : public QWidget, public CoreView {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Kestro (#20090327-01)";
    static constexpr const char* kDebugMark = " [DEBUG]";
    // Shows an error to the user; tests plug in a recorder instead of a modal box.
    using ErrorBox = std::function<void(const QString& title, const QString& text)>;

    // errorBox: empty gives QMessageBox::critical. player: empty gives the
    // platform's WAV player. clock: where "now" comes from for the race rules and
    // the panel (the replay's virtual time); null gives the system's local time.
    // It must outlive the window.
    explicit TfrmZKmain(ErrorBox errorBox = {}, std::unique_ptr<SoundPlayer> player = {},
                        const Clock* clock = nullptr);
    ~TfrmZKmain() override;

    // The other forms, created after this one; the window uses them from its show on.
    void SetForms(TfrmZKconfig* config, TfrmZKlog* log, TfrmZKabout* about);

    // Window events, callable directly so their steps can be driven and watched.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();
    virtual void ApplyAdapter();
    void StatusBarResize();
    void RealTimeTimer();
    void PopupMenuClick(QAction* item);

    // CoreView
    void SetStatusText(std::string_view cp932) override;
    void AppendLogLine(std::string_view cp932Line) override;
    void RefreshPanel() override;

    // The folder that stands for "%SystemRoot%" in the default sound paths.
    static std::string SoundRoot();

    KestroCore& Core() { return core_; }
    TSnoopTCPData& Snoop() { return *SnoopTCPData; }
    QTimer& RealTime() { return realTime_; }
    TStatusBar* StatusBar() const { return statusBar_; }
    QWidget* InfoPanel() const { return panInfomation; }
    QLabel* Field(PanelField field) const { return fields_[static_cast<int>(field)]; }
    QString StatusText(int panel) const;
    QMenu* PopupMenu() const { return popupMenu_; }
    QAction* MenuItem(int index) const;

protected:
    // The steps of FormShow and FormClose that reach the settings file and the
    // race state, separate so that their order can be observed.
    virtual void LoadSettings();
    virtual void ResetRaceState();
    virtual void SaveSettings();
    // FormShow's capture step (ApplyAdapter) and FormClose's (closing an open
    // capture): a window that captures from elsewhere replaces them.
    virtual void StartCapture();
    virtual void StopCapture();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildPanel();
    void BuildStatusBar();
    void BuildPopupMenu();
    void SnoopTCPDataCaptureTCPData(const uint8_t* tcpData, int32_t tcpDataLength);
    void ShowError(const QString& text);

    ErrorBox errorBox_;
    SystemClock systemClock_;
    // The error shown at close, so that destroying the window does not show it again.
    QString closeError_;
    std::unique_ptr<SoundPlayer> player_;
    KestroCore core_;
    std::unique_ptr<TSnoopTCPData> SnoopTCPData;
    QTimer realTime_;

    QWidget* panInfomation = nullptr;
    std::array<QLabel*, kPanelFieldCount> fields_{};
    TStatusBar* statusBar_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QAction* pmiAbout = nullptr;
    QAction* pmiConfig = nullptr;
    QAction* pmiLog = nullptr;
    QAction* pmiExit = nullptr;

    TfrmZKconfig* frmZKconfig = nullptr;
    TfrmZKlog* frmZKlog = nullptr;
    TfrmZKabout* frmZKabout = nullptr;
};

}  // namespace kestro
