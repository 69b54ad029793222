#include "app/tray_icon.h"

#include <QMenu>
#include <utility>

#include "app/app_icon.h"

namespace kestro {

TTrayIcon::TTrayIcon(QMenu* menu, std::function<void()> clicked, QObject* parent)
    : QObject(parent), menu_(menu), clicked_(std::move(clicked)) {}

void TTrayIcon::ShowTrayIcon(bool shown) {
    wanted_ = shown;
    if (!shown) {
        delete icon_;
        return;
    }
    AddIcon();
}

// Also from each refresh while none is shown: a desktop's panel may start after
// Kestro does (both started at the login), and its tray with it.
void TTrayIcon::AddIcon() {
    if (icon_ || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    icon_ = new QSystemTrayIcon(KestroIcon(), this);
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    icon_->setToolTip(tip_);
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    clicked_();
                }
            });
    icon_->show();
}

bool TTrayIcon::TrayIconShown() const {
    return icon_ && icon_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::SetTrayTip(const std::string& text) {
    tip_ = QString::fromStdString(text);
    if (icon_) {
        icon_->setToolTip(tip_);
    } else if (wanted_) {
        AddIcon();
    }
}

}  // namespace kestro
