#include "app/reminders_dialog.h"

#include <QGroupBox>
#include <QLabel>

#include "app/config_dialog.h"
#include "settings/settings_file.h"

namespace kestro {

namespace {

using namespace reminders_layout;

}  // namespace

TfrmZKreminders::TfrmZKreminders(QWidget* parent)
    : ShellDialog(parent, QStringLiteral("frmZKreminders"), kCaption, kClientWidth, kClientHeight) {
    QWidget* previous = nullptr;
    auto chain = [this, &previous](QWidget* next) {
        if (previous != nullptr) {
            setTabOrder(previous, next);
        }
        previous = next;
    };
    for (int i = 0; i < kReminderCount; ++i) {
        Row& row = rows_[static_cast<std::size_t>(i)];
        const int top = kRowTops[static_cast<std::size_t>(i)];
        const QString name = QString::number(i);
        row.check = new QCheckBox(QString::fromStdString(RemindersDialog::RowCaption(i)), this);
        row.check->setObjectName(QStringLiteral("chkReminder") + name);
        row.check->setGeometry(kCheckLeft, top, kCheckWidth, kRowHeight);
        row.lead = new QSpinBox(this);
        row.lead->setObjectName(QStringLiteral("edtLead") + name);
        row.lead->setRange(kReminderLeadMin, kReminderLeadMax);
        row.lead->setGeometry(kLeadLeft, top, kLeadWidth, kRowHeight);
        auto* unit = new QLabel(QString::fromUtf8(kLeadUnit), this);
        unit->setGeometry(kUnitLeft, top, kSoundLeft - kUnitLeft - 2, kRowHeight);
        row.sound = new QLineEdit(this);
        row.sound->setObjectName(QStringLiteral("edtSound") + name);
        row.sound->setGeometry(kSoundLeft, top, kSoundWidth, kRowHeight);
        row.test = new QToolButton(this);
        row.test->setObjectName(QStringLiteral("btnTest") + name);
        row.test->setGeometry(kTestLeft, top + (kRowHeight - kTestSize) / 2, kTestSize, kTestSize);
        row.test->setIcon(PlayIcon());
        row.test->setIconSize(QSize(16, 16));
        connect(row.test, &QToolButton::clicked, this, [this, i] {
            if (model_ != nullptr) {
                const Row& clicked = rows_[static_cast<std::size_t>(i)];
                model_->TestSound(clicked.path.ReadFrom(clicked.sound));
            }
        });
        chain(row.check);
        chain(row.lead);
        chain(row.sound);
        chain(row.test);
        if (RemindersDialog::HasNoTicketSwitch(i)) {
            row.noTicket = new QCheckBox(QString::fromUtf8(kNoTicketCaption), this);
            row.noTicket->setObjectName(QStringLiteral("chkNoTicket") + name);
            row.noTicket->setGeometry(kNoTicketLeft, top + kRowHeight + 4, kNoTicketWidth,
                                      kRowHeight);
            chain(row.noTicket);
        }
    }
    BuildNotifications();
    chain(notifyReminders_);
    for (QCheckBox* box : notifyEvents_) {
        chain(box);
    }
    auto* ok = new QPushButton(QString::fromUtf8(kOkCaption), this);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setGeometry(kOkLeft, kButtonTop, kButtonWidth, kButtonHeight);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QString::fromUtf8(kCancelCaption), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setGeometry(kCancelLeft, kButtonTop, kButtonWidth, kButtonHeight);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    chain(ok);
    chain(cancel);
}

// The group is made first, so that its switches paint over its frame.
void TfrmZKreminders::BuildNotifications() {
    auto* group = new QGroupBox(QString::fromUtf8(kNotifyCaption), this);
    group->setObjectName(QStringLiteral("grpNotify"));
    group->setGeometry(kNotifyLeft, kNotifyTop, kNotifyWidth, kNotifyHeight);
    notifyReminders_ = new QCheckBox(QString::fromUtf8(kNotifyRemindersCaption), this);
    notifyReminders_->setObjectName(QStringLiteral("chkNotifyReminders"));
    notifyReminders_->setGeometry(kNotifyEventBoxes[0].left, kNotifyRemindersTop,
                                  kNotifyEventBoxes[0].width, kRowHeight);
    for (int i = 0; i < kNotifiedEventCount; ++i) {
        const NotifyBox& place = kNotifyEventBoxes[static_cast<std::size_t>(i)];
        QCheckBox*& box = notifyEvents_[static_cast<std::size_t>(i)];
        box = new QCheckBox(QString::fromStdString(RemindersDialog::NotifyEventCaption(i)), this);
        box->setObjectName(
            QStringLiteral("chkNotify") +
            QString::fromUtf8(SoundEventInfoOf(kNotifiedEvents[static_cast<std::size_t>(i)]).stem));
        box->setGeometry(place.left, place.top, place.width, kRowHeight);
    }
}

bool TfrmZKreminders::RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) {
    CopyIn(dialog.Shown());
    if (!Exec(dialog)) {
        return false;
    }
    confirmed = CopyOut();
    return true;
}

void TfrmZKreminders::CopyIn(const RemindersDialogValues& values) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& row = rows_[i];
        const ReminderSetting& value = values.rows[i];
        row.check->setChecked(value.Enabled);
        row.lead->setValue(value.LeadSeconds);
        row.path.ShowIn(row.sound, value.Sound);
        if (row.noTicket != nullptr) {
            row.noTicket->setChecked(value.NoTicketOnly);
        }
    }
    notifyReminders_->setChecked(values.notifications.Reminders);
    for (std::size_t i = 0; i < notifyEvents_.size(); ++i) {
        notifyEvents_[i]->setChecked(values.notifications.Events[i]);
    }
}

RemindersDialogValues TfrmZKreminders::CopyOut() const {
    RemindersDialogValues values;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        values.rows[i].Enabled = row.check->isChecked();
        values.rows[i].LeadSeconds = row.lead->value();
        values.rows[i].Sound = row.path.ReadFrom(row.sound);
        values.rows[i].NoTicketOnly = row.noTicket != nullptr && row.noTicket->isChecked();
    }
    values.notifications.Reminders = notifyReminders_->isChecked();
    for (std::size_t i = 0; i < notifyEvents_.size(); ++i) {
        values.notifications.Events[i] = notifyEvents_[i]->isChecked();
    }
    return values;
}

}  // namespace kestro
