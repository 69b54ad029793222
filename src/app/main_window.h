// The main window: the black race panel, the status bar and the popup menu.
// It draws; the Qt-free shell it owns does the rest (capture, settings, race
// state, log). The window forwards its events to the shell and shows what the
// shell reports through ShellView.
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
#include <string_view>
#include <vector>

#include "app/desktop.h"
#include "app/history_window.h"
#include "capture/snoop.h"
#include "common/clock.h"
#include "notify/sound_player.h"
#include "race/panel.h"
#include "shell/core.h"
#include "shell/panel_layout.h"
#include "shell/shell.h"

class QSystemTrayIcon;

namespace kestro {

class TfrmZKcompact;
class TfrmZKreminders;

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
    std::array<int, 2> widths_{main_layout::kStatusPanel0Width, main_layout::kStatusPanel1Width};
};

class TfrmZKmain : public QWidget, public ShellView, public StayVisibleView {
    Q_OBJECT
public:
    static constexpr const char* kCaption = KestroShell::kCaption;
    static constexpr const char* kDebugMark = KestroShell::kDebugMark;
    // Shows an error to the user; tests plug in a recorder instead of a modal box.
    using ErrorBox = std::function<void(const QString& title, const QString& text)>;

    // errorBox: empty gives QMessageBox::critical. player: empty gives the
    // platform's WAV player. clock: where "now" comes from for the race rules and
    // the panel (the replay's virtual time); null gives the system's local time.
    // It must outlive the window. replay: a recording shown instead of the
    // configured adapter (see KestroShell).
    explicit TfrmZKmain(ErrorBox errorBox = {}, std::unique_ptr<SoundPlayer> player = {},
                        const Clock* clock = nullptr, std::unique_ptr<ReplaySource> replay = {});
    ~TfrmZKmain() override;

    // Window events, callable directly so their steps can be driven and watched.
    void FormCreate() { shell_->FormCreate(); }
    void FormShow() { shell_->FormShow(); }
    void FormClose() { shell_->FormClose(); }
    void FormDestroy() { shell_->FormDestroy(); }
    void ApplyAdapter() { shell_->ApplyAdapter(); }
    void StatusBarResize();
    void RealTimeTimer() { shell_->RealTimeTimer(); }
    void PopupMenuClick(QAction* item);
    // The process is asked to end: closes the window as its close box would.
    void EndSession() { shell_->EndSession(); }
    // The process is exiting with the display gone: saves as the close would.
    void EndWithoutDisplay() { shell_->EndWithoutDisplay(); }
    void RefreshPanel() { shell_->RefreshPanel(); }

    KestroShell& Shell() { return *shell_; }
    QTimer& RealTime() { return realTime_; }
    TStatusBar* StatusBar() const { return statusBar_; }
    QWidget* InfoPanel() const { return panInfomation_; }
    QLabel* Field(PanelField field) const { return fields_[static_cast<int>(field)]; }
    QString StatusText(int panel) const;
    QMenu* PopupMenu() const { return popupMenu_; }
    // The action that draws `item`; for the submenu, its entry in the menu.
    QAction* MenuAction(kestro::MenuItem item) const;
    // The submenu "不透明度": one checkable item per step of kOpacitySteps.
    QMenu* OpacityMenu() const { return mnuOpacity_; }
    // Every other window, the tray icon and the notifications.
    Desktop& Windows() { return *desktop_; }
    TfrmZKhistory* HistoryWindow() const { return desktop_->HistoryWindow(); }
    // The notification area's icon; null where the desktop has no tray, and
    // before the show and after the close.
    QSystemTrayIcon* TrayIcon() const;
    // The reminders window, made at its first opening.
    TfrmZKreminders* RemindersWindow() const { return desktop_->RemindersWindow(); }
    // The compact form, made with this window.
    TfrmZKcompact* CompactForm() const { return &desktop_->CompactForm(); }

protected:
    // ShellView
    void SetStatusText(std::string_view cp932) override;
    void AppendLogLine(std::string_view cp932Line) override;
    void ClearLog() override;
    void ShowPanel(const PanelTexts& texts) override;
    std::string ThousandsSeparator() const override;
    void SetCaption(const std::string& caption) override;
    void ShowError(const std::string& text) override;
    void SetTimer(bool enabled, int intervalMs) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;
    // Of fixed size: a stored size never applies.
    bool Resizable() const override { return false; }
    void Close() override { close(); }
    bool OnScreen() const override;
    void SetOnScreen(bool shown) override;
    void CheckMenuItem(kestro::MenuItem item, bool checked) override;
    void PostToMainThread(std::function<void()> call) override;
    // StayVisibleView
    void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) override;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

signals:
    // The window closed for good (not into the tray): the program ends.
    void Closed();

private:
    void BuildPanel();
    void BuildStatusBar();
    void BuildPopupMenu();
    // Ctrl and kCompactFormKey switch the compact form, from either window.
    void BuildCompactFormKey();
    void ApplyStayOnTopFlag(bool stayOnTop);

    ErrorBox errorBox_;
    QTimer realTime_;
    // Made before the shell, which is handed its parts, and gone after it.
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<KestroShell> shell_;

    QWidget* panInfomation_ = nullptr;
    std::array<QLabel*, kPanelFieldCount> fields_{};
    TStatusBar* statusBar_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    // By MenuItem, as kPopupMenu's rows made them.
    std::array<QAction*, kPopupMenu.size()> menuActions_{};
    QMenu* mnuOpacity_ = nullptr;
    // Inside the form's show (FormShow), and inside the show that puts the
    // window back after its on-top flag changed, which is no form's show.
    bool showing_ = false;
    bool reshowing_ = false;
};

}  // namespace kestro
