#include "app/compact_form.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

#include "app/fonts.h"
#include "app/placement_qt.h"

namespace kestro {

namespace {

QColor ToQColor(main_layout::Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

}  // namespace

// A tool window: no task bar button of its own, since it stands in for the
// main window, which keeps its button hidden meanwhile.
TfrmZKcompact::TfrmZKcompact(QMenu* menu, std::function<void()> closed)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), closed_(std::move(closed)) {
    using namespace compact_layout;
    setObjectName(QStringLiteral("frmZKcompact"));
    setWindowTitle(QStringLiteral("Kestro"));
    // A strip over the game must not take the keyboard from it when it appears.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(kBackground));
    palette.setColor(QPalette::WindowText, ToQColor(kTextColour));
    setPalette(palette);

    lines_ = new QLabel(this);
    lines_->setObjectName(QStringLiteral("CompactLines"));
    lines_->setTextFormat(Qt::PlainText);
    lines_->setFont(ProportionalFont(kFontPixels));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->addWidget(lines_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint& at) { menu->popup(mapToGlobal(at)); });
}

void TfrmZKcompact::ShowLines(const std::array<std::string, 2>& lines) {
    const QString text = QString::fromStdString(lines[0] + "\n" + lines[1]);
    if (lines_->text() != text) {
        lines_->setText(text);
        adjustSize();
    }
}

void TfrmZKcompact::SetShown(bool shown) {
    if (!shown) {
        hide();
        return;
    }
    show();
    raise();
    ReshapeOnceExposed();
}

void TfrmZKcompact::SetClickThrough(bool on) {
    SetFlag(Qt::WindowTransparentForInput, on);
}

void TfrmZKcompact::ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) {
    setWindowOpacity(opacityPercent / 100.0);
    SetFlag(Qt::WindowStaysOnTopHint, stayOnTop);
}

void TfrmZKcompact::SetFlag(Qt::WindowType flag, bool on) {
    if (windowFlags().testFlag(flag) == on) {
        return;
    }
    const bool shown = isVisible();
    const QPoint at = pos();
    setWindowFlag(flag, on);
    if (shown) {
        move(at);
        show();
        ReshapeOnceExposed();
    }
}

void TfrmZKcompact::ReshapeOnceExposed() {
    if (QWindow* window = windowHandle();
        window != nullptr && windowFlags().testFlag(Qt::WindowTransparentForInput)) {
        window->installEventFilter(this);
    }
}

bool TfrmZKcompact::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWindow*>(watched);
    if (window != nullptr && event->type() == QEvent::Expose && window->isExposed()) {
        window->removeEventFilter(this);
        QMetaObject::invokeMethod(
            this,
            [this] {
                QWindow* shown = windowHandle();
                if (shown != nullptr && windowFlags().testFlag(Qt::WindowTransparentForInput)) {
                    shown->setFlag(Qt::WindowTransparentForInput, false);
                    shown->setFlag(Qt::WindowTransparentForInput, true);
                }
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

WindowPlacement TfrmZKcompact::QueryPlacement() const {
    return QueryFormPlacement(this);
}

void TfrmZKcompact::ApplyPlacement(const WindowPlacement& placement) {
    ApplyFormPlacement(this, placement);
}

std::vector<ScreenArea> TfrmZKcompact::ScreenAreas() const {
    return AvailableScreenAreas();
}

// Frameless: the strip itself is the handle to move it by.
void TfrmZKcompact::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        grab_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void TfrmZKcompact::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        move(event->globalPosition().toPoint() - grab_);
    }
    QWidget::mouseMoveEvent(event);
}

void TfrmZKcompact::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (closed_) {
        closed_();
    }
}

}  // namespace kestro
