#include "app/reminders_dialog.h"

#include <QLabel>
#include <QShowEvent>

#include "app/config_dialog.h"
#include "app/fonts.h"
#include "app/placement_qt.h"
#include "settings/settings_file.h"

namespace kestro {

namespace {

using namespace reminders_layout;

// As in the settings dialog: the file's "\" reads as "/" here.
QString WithFolderSeparators(QString path) {
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

}  // namespace

TfrmZKreminders::TfrmZKreminders(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmZKreminders"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    setFont(ProportionalFont(12));
    setFixedSize(kClientWidth, kClientHeight);

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
            if (dialog_ != nullptr) {
                dialog_->TestSound(PathIn(rows_[static_cast<std::size_t>(i)]));
            }
        });
        chain(row.check);
        chain(row.lead);
        chain(row.sound);
        if (RemindersDialog::HasNoTicketSwitch(i)) {
            row.noTicket = new QCheckBox(QString::fromUtf8(kNoTicketCaption), this);
            row.noTicket->setObjectName(QStringLiteral("chkNoTicket") + name);
            row.noTicket->setGeometry(kNoTicketLeft, top + kRowHeight + 4, kNoTicketWidth,
                                      kRowHeight);
            chain(row.noTicket);
        }
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

bool TfrmZKreminders::RunModal(RemindersDialog& dialog, RemindersDialogValues& confirmed) {
    CopyIn(dialog.Shown());
    dialog_ = &dialog;
    const int result = exec();
    dialog_ = nullptr;
    if (result != QDialog::Accepted) {
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
        row.givenPath = value.Sound;
        row.shownPath = WithFolderSeparators(QString::fromStdString(value.Sound));
        row.sound->setText(row.shownPath);
        if (row.noTicket != nullptr) {
            row.noTicket->setChecked(value.NoTicketOnly);
        }
    }
}

RemindersDialogValues TfrmZKreminders::CopyOut() const {
    RemindersDialogValues values;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        values.rows[i].Enabled = row.check->isChecked();
        values.rows[i].LeadSeconds = row.lead->value();
        values.rows[i].Sound = PathIn(row);
        values.rows[i].NoTicketOnly = row.noTicket != nullptr && row.noTicket->isChecked();
    }
    return values;
}

std::string TfrmZKreminders::PathIn(const Row& row) {
    const QString text = row.sound->text();
    return text == row.shownPath ? row.givenPath : text.toStdString();
}

WindowPlacement TfrmZKreminders::QueryPlacement() const {
    return QueryFormPlacement(this);
}

void TfrmZKreminders::ApplyPlacement(const WindowPlacement& placement) {
    ApplyFormPlacement(this, placement);
}

std::vector<ScreenArea> TfrmZKreminders::ScreenAreas() const {
    return AvailableScreenAreas();
}

void TfrmZKreminders::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && dialog_ != nullptr) {
        dialog_->FormShow();
    }
}

void TfrmZKreminders::done(int result) {
    if (isVisible() && dialog_ != nullptr) {
        dialog_->FormClose();
    }
    QDialog::done(result);
}

}  // namespace kestro
