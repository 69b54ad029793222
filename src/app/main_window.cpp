#include "app/main_window.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPalette>
#include <QShortcut>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>

#include "app/compact_form.h"
#include "app/fonts.h"
#include "app/log_window.h"
#include "app/placement_qt.h"
#include "app/tray_icon.h"
#include "common/cp932.h"
#include "platform/locale.h"
#include "shell/panel_layout.h"

namespace kestro {

namespace {

using namespace main_layout;

QColor ToQColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

// The panel was laid out for faces whose ascent is about 0.86 of their pixel
// size. A face with a taller ascent would put its glyphs lower, onto the
// separator line; this is how far to lift a label to keep them where designed.
int DesignBaselineLift(const QFont& font) {
    const int designAscent = qRound(0.86 * font.pixelSize());
    return std::max(0, QFontMetrics(font).ascent() - designAscent);
}

// A stand-in face may be wider than the designed one; the design caption is the
// widest text a control shows, so narrow the face until it fits.
QFont FitToWidth(QFont font, const QString& widest, int width) {
    const int advance = QFontMetrics(font).horizontalAdvance(widest);
    if (advance > width) {
        font.setStretch(std::max(50, 100 * width / advance));
    }
    return font;
}

QString FromCp932(std::string_view cp932) {
    return QString::fromStdString(Cp932ToUtf8(cp932));
}

}  // namespace

// ---------------------------------------------------------------------------

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < 2; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i]->setTextFormat(Qt::PlainText);
        panels_[i]->setIndent(2);
    }
    panels_[0]->setObjectName(QStringLiteral("StatusPanel0"));
    panels_[1]->setObjectName(QStringLiteral("StatusPanel1"));
    LayOut();
}

void TStatusBar::SetPanelWidth(int index, int width) {
    widths_[index] = width;
    LayOut();
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    emit Resized();
    LayOut();
}

void TStatusBar::LayOut() {
    panels_[0]->setGeometry(0, 0, widths_[0], height());
    panels_[1]->setGeometry(widths_[0], 0, widths_[1], height());
}

// ---------------------------------------------------------------------------

TfrmZKmain::TfrmZKmain(ErrorBox errorBox, std::unique_ptr<SoundPlayer> player, const Clock* clock,
                       std::unique_ptr<ReplaySource> replay)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      errorBox_(std::move(errorBox)) {
    setObjectName(QStringLiteral("frmZKmain"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setFont(ProportionalFont(kLabelFontPixels));
    setFixedSize(kClientWidth, kClientHeight);

    realTime_.setInterval(KestroShell::kTimerInterval);
    realTime_.stop();
    connect(&realTime_, &QTimer::timeout, this, &TfrmZKmain::RealTimeTimer);

    BuildPanel();
    BuildStatusBar();
    BuildPopupMenu();
    desktop_ = std::make_unique<Desktop>(*this);
    BuildCompactFormKey();
    shell_ = std::make_unique<KestroShell>(
        ShellFaces{*this, *this, *desktop_, &desktop_->Tray(), &desktop_->Notifications()},
        std::move(player), clock, std::move(replay));
    FormCreate();
}

TfrmZKmain::~TfrmZKmain() {
    FormDestroy();
    // The capture thread calls into this window; it must end while the window is whole.
    shell_.reset();
    desktop_.reset();
}

void TfrmZKmain::BuildCompactFormKey() {
    // Only while one of the two has the keyboard; the tray's menu takes no keys.
    for (QWidget* window : {static_cast<QWidget*>(this), static_cast<QWidget*>(CompactForm())}) {
        auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(kCompactFormKey)), window);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this,
                [this] { shell_->PopupMenuClick(MenuItem::pmiCompactForm); });
    }
}

void TfrmZKmain::BuildPanel() {
    panInfomation_ = new QWidget(this);
    panInfomation_->setObjectName(QStringLiteral("panInfomation"));
    panInfomation_->setGeometry(0, 0, kClientWidth, kPanelHeight);
    panInfomation_->setAutoFillBackground(true);
    QPalette black = panInfomation_->palette();
    black.setColor(QPalette::Window, ToQColor(kPanelColour));
    panInfomation_->setPalette(black);

    const QFont labelFont = ProportionalFont(kLabelFontPixels);
    for (const FixedLabel& design : kFixedLabels) {
        auto* label = new QLabel(QString::fromUtf8(design.caption), panInfomation_);
        label->setFont(labelFont);
        QPalette white = label->palette();
        white.setColor(QPalette::WindowText, ToQColor(kLabelColour));
        label->setPalette(white);
        label->adjustSize();
        label->move(design.left, design.top - DesignBaselineLift(labelFont));
    }

    auto* separator = new QFrame(panInfomation_);
    separator->setObjectName(QStringLiteral("Separator"));
    separator->setGeometry(kSeparator.left, kSeparator.top, kSeparator.length, 1);
    separator->setAutoFillBackground(true);
    QPalette grey = separator->palette();
    grey.setColor(QPalette::Window, ToQColor(kSeparatorColour));
    separator->setPalette(grey);

    const QFont styleA = FixedPitchFont(kStyleAFontPixels);
    const QFont styleB = ProportionalFont(kStyleBFontPixels);
    for (const DisplayControl& design : kDisplayControls) {
        auto* control = new QLabel(QString::fromUtf8(design.designCaption), panInfomation_);
        control->setObjectName(QString::fromLatin1(PanelFieldName(design.field).data(),
                                                   PanelFieldName(design.field).size()));
        control->setGeometry(design.left, design.top, design.width, design.height);
        control->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        control->setLineWidth(1);
        control->setAlignment(Qt::AlignCenter);
        control->setTextFormat(Qt::PlainText);
        control->setAutoFillBackground(true);
        constexpr int kBorders = 2;
        control->setFont(FitToWidth(design.style == TextStyle::A ? styleA : styleB, control->text(),
                                    design.width - kBorders));
        QPalette palette = control->palette();
        palette.setColor(QPalette::Window, ToQColor(kControlBackground));
        palette.setColor(QPalette::WindowText,
                         ToQColor(design.style == TextStyle::A ? kStyleAColour : kStyleBColour));
        palette.setColor(QPalette::Light, QColor(255, 255, 255));
        palette.setColor(QPalette::Dark, QColor(128, 128, 128));
        control->setPalette(palette);
        fields_[static_cast<int>(design.field)] = control;
    }
}

void TfrmZKmain::BuildStatusBar() {
    statusBar_ = new TStatusBar(this);
    statusBar_->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    connect(statusBar_, &TStatusBar::Resized, this, &TfrmZKmain::StatusBarResize);
    StatusBarResize();
}

void TfrmZKmain::BuildPopupMenu() {
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu"));
    for (const MenuRow& row : kPopupMenu) {
        if (row.separatorBefore) {
            popupMenu_->addSeparator();
        }
        const QString caption = QString::fromUtf8(row.caption.data(), row.caption.size());
        QAction* action = nullptr;
        if (row.opacitySteps) {
            mnuOpacity_ = popupMenu_->addMenu(caption);
            mnuOpacity_->setObjectName(QString::fromUtf8(row.name.data(), row.name.size()));
            action = mnuOpacity_->menuAction();
            auto* steps = new QActionGroup(mnuOpacity_);
            for (const int32_t step : kOpacitySteps) {
                QAction* item =
                    mnuOpacity_->addAction(QString::fromStdString(OpacityStepCaption(step)));
                item->setCheckable(true);
                steps->addAction(item);
                connect(item, &QAction::triggered, this,
                        [this, step] { shell_->SetOpacity(step); });
            }
        } else {
            action = popupMenu_->addAction(caption);
            action->setObjectName(QString::fromUtf8(row.name.data(), row.name.size()));
            action->setCheckable(row.checkable);
        }
        menuActions_[static_cast<std::size_t>(row.item)] = action;
    }
    connect(popupMenu_, &QMenu::triggered, this, &TfrmZKmain::PopupMenuClick);

    for (QWidget* owner : {static_cast<QWidget*>(this), panInfomation_}) {
        owner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(owner, &QWidget::customContextMenuRequested, this,
                [this, owner](const QPoint& at) { popupMenu_->popup(owner->mapToGlobal(at)); });
    }
}

QAction* TfrmZKmain::MenuAction(kestro::MenuItem item) const {
    return menuActions_[static_cast<std::size_t>(item)];
}

QString TfrmZKmain::StatusText(int panel) const {
    return statusBar_->Panel(panel)->text();
}

// --- window events ---------------------------------------------------------

void TfrmZKmain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A restore from the task bar is the window system's show, not the form's.
    if (!event->spontaneous() && !reshowing_) {
        showing_ = true;
        FormShow();
        showing_ = false;
    }
}

void TfrmZKmain::closeEvent(QCloseEvent* event) {
    if (!shell_->FormCloseQuery()) {
        event->ignore();  // gone into the tray
        return;
    }
    FormClose();
    event->accept();
    emit Closed();
}

void TfrmZKmain::StatusBarResize() {
    statusBar_->SetPanelWidth(0, statusBar_->width() - statusBar_->PanelWidth(1));
}

void TfrmZKmain::PopupMenuClick(QAction* item) {
    for (const MenuRow& row : kPopupMenu) {
        if (item == MenuAction(row.item)) {
            shell_->PopupMenuClick(row.item);
            return;
        }
    }
}

// --- ShellView ---------------------------------------------------------------

void TfrmZKmain::SetStatusText(std::string_view cp932) {
    statusBar_->Panel(0)->setText(FromCp932(cp932));
}

void TfrmZKmain::AppendLogLine(std::string_view cp932Line) {
    desktop_->Log().AppendLine(FromCp932(cp932Line));
}

void TfrmZKmain::ClearLog() {
    desktop_->Log().Clear();
}

void TfrmZKmain::ShowPanel(const PanelTexts& texts) {
    for (int i = 0; i < kPanelFieldCount; ++i) {
        fields_[i]->setText(QString::fromStdString(texts.fields[i]));
    }
    statusBar_->Panel(1)->setText(QString::fromStdString(texts.packetCount));
}

std::string TfrmZKmain::ThousandsSeparator() const {
    return platform::ThousandsSeparator();
}

void TfrmZKmain::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void TfrmZKmain::ShowError(const std::string& text) {
    const QString title = QStringLiteral("Kestro");
    if (errorBox_) {
        errorBox_(title, QString::fromStdString(text));
    } else {
        QMessageBox::critical(this, title, QString::fromStdString(text));
    }
}

void TfrmZKmain::SetTimer(bool enabled, int intervalMs) {
    // A replay ticks many times a second; a coarse timer would let its ticks drift.
    realTime_.setTimerType(intervalMs < KestroShell::kTimerInterval ? Qt::PreciseTimer
                                                                    : Qt::CoarseTimer);
    realTime_.setInterval(intervalMs);
    if (enabled) {
        realTime_.start();
    } else {
        realTime_.stop();
    }
}

WindowPlacement TfrmZKmain::QueryPlacement() const {
    return QueryFormPlacement(this);
}

void TfrmZKmain::ApplyPlacement(const WindowPlacement& placement) {
    ApplyFormPlacement(this, placement);
}

std::vector<ScreenArea> TfrmZKmain::ScreenAreas() const {
    return AvailableScreenAreas();
}

QSystemTrayIcon* TfrmZKmain::TrayIcon() const {
    return desktop_->Tray().Icon();
}

bool TfrmZKmain::OnScreen() const {
    return isVisible() && !isMinimized();
}

void TfrmZKmain::SetOnScreen(bool shown) {
    if (!shown && showing_) {
        // The form's show puts the compact form up instead: a window cannot
        // be hidden from inside its own show. Until then it stays off the
        // screen, or it would flash up before the strip.
        setAttribute(Qt::WA_DontShowOnScreen);
        QMetaObject::invokeMethod(
            this,
            [this] {
                hide();
                setAttribute(Qt::WA_DontShowOnScreen, false);
            },
            Qt::QueuedConnection);
        return;
    }
    if (!shown) {
        hide();
        return;
    }
    // Asked for where it was: a window manager places a window shown again
    // anew unless its position is asked for (Qt asks only for one set).
    if (QWindow* window = windowHandle(); window != nullptr && isHidden()) {
        window->setGeometry(geometry());
    }
    showNormal();
    raise();
    activateWindow();
}

void TfrmZKmain::CheckMenuItem(kestro::MenuItem item, bool checked) {
    MenuAction(item)->setChecked(checked);
}

void TfrmZKmain::ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) {
    MenuAction(MenuItem::pmiStayOnTop)->setChecked(stayOnTop);
    const QList<QAction*> steps = mnuOpacity_->actions();
    for (std::size_t i = 0; i < kOpacitySteps.size(); ++i) {
        steps[static_cast<int>(i)]->setChecked(kOpacitySteps[i] == opacityPercent);
    }
    setWindowOpacity(opacityPercent / 100.0);
    if (showing_) {
        // A window cannot be hidden and shown again from inside its own show.
        QMetaObject::invokeMethod(
            this, [this, stayOnTop] { ApplyStayOnTopFlag(stayOnTop); }, Qt::QueuedConnection);
    } else {
        ApplyStayOnTopFlag(stayOnTop);
    }
}

// Changing a window's flags hides it; a shown window is shown again where it was.
// A window not shown yet keeps the place it was given: Qt moves the new native
// window to the old one's pos(), which counts the frame, and a window not yet
// framed has its inside corner there, so the frame would land where the inside
// was and every start would walk the window down by its title bar.
void TfrmZKmain::ApplyStayOnTopFlag(bool stayOnTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == stayOnTop) {
        return;
    }
    const bool shown = isVisible();
    const bool placed = testAttribute(Qt::WA_Moved);
    const QPoint at = pos();
    const QRect inside = geometry();
    setWindowFlag(Qt::WindowStaysOnTopHint, stayOnTop);
    if (shown) {
        reshowing_ = true;
        move(at);
        show();
        reshowing_ = false;
    } else if (placed) {
        setGeometry(inside);
    }
}

void TfrmZKmain::PostToMainThread(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace kestro
