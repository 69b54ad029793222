// The compact form on Qt: a frameless strip of the compact lines, moved by
// dragging it, with the main window's popup menu on a right click. Clicks
// pass through it when asked (an input-transparent window).
#pragma once

#include <QLabel>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "shell/compact_form.h"

class QMenu;

namespace kestro {

class TfrmZKcompact final : public QWidget, public CompactFormView {
    Q_OBJECT
public:
    // `menu`: the popup menu shown on a right click; `closed`: its window
    // system's close, which leaves the compact form.
    TfrmZKcompact(QMenu* menu, std::function<void()> closed);

    QLabel* Lines() const { return lines_; }

    // CompactFormView
    void ShowLines(const std::array<std::string, 2>& lines) override;
    void SetShown(bool shown) override;
    bool Shown() const override { return isVisible(); }
    void SetClickThrough(bool on) override;
    void ApplyStayVisible(bool stayOnTop, int32_t opacityPercent) override;
    WindowPlacement QueryPlacement() const override;
    void ApplyPlacement(const WindowPlacement& placement) override;
    std::vector<ScreenArea> ScreenAreas() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Changing a window's flags hides it; a shown one is shown again where it was.
    void SetFlag(Qt::WindowType flag, bool on);
    // A window manager that frames windows may follow only later changes of
    // a window's input shape, not the shape it was mapped with (openbox): its
    // frame would take every click. The empty shape is given again once the
    // window is on the screen.
    void ReshapeOnceExposed();

    QLabel* lines_ = nullptr;
    std::function<void()> closed_;
    QPoint grab_;
};

}  // namespace kestro
