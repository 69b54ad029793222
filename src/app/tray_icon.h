// The main window's icon in the notification area, in the Qt face: the popup
// menu on its context click, a plain click passed on, the panel's tooltip.
// Where the desktop has no tray there is no icon; one that starts later (a
// panel started after Kestro, both at the login) gets it at the next refresh.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <string>

#include "shell/views.h"

class QMenu;

namespace kestro {

class TTrayIcon final : public QObject, public TrayView {
    Q_OBJECT
public:
    // `menu` is shown on the icon's context click and must outlive it;
    // `clicked` hears of a plain click.
    TTrayIcon(QMenu* menu, std::function<void()> clicked, QObject* parent = nullptr);

    // Null where the desktop has no tray, and before the show and after the close.
    QSystemTrayIcon* Icon() const { return icon_; }

    // TrayView
    void ShowTrayIcon(bool shown) override;
    bool TrayIconShown() const override;
    void SetTrayTip(const std::string& text) override;

private:
    void AddIcon();

    QMenu* menu_;
    std::function<void()> clicked_;
    QPointer<QSystemTrayIcon> icon_;
    // From the show to the close, whether or not a tray has shown it yet.
    bool wanted_ = false;
    QString tip_;
};

}  // namespace kestro
