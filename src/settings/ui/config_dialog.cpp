#include "settings/ui/config_dialog.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QShowEvent>
#include <QStandardItemModel>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "settings/settings_file.h"
#include "settings/ui/placement_qt.h"
#include "settings/vu_ini_mng.h"

namespace kestro {

namespace {

// Sound paths keep the settings file's "\" (the player reads it as a folder
// separator); the user reads and types paths with this system's "/".
QString WithFolderSeparators(QString path) {
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

using namespace config_layout;

// The same faces as the other windows (app/fonts.h); the settings library sits
// below the application and cannot borrow its helper.
QFont DialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(12);
    return font;
}

// The sunken square of a classic 3D frame, with the triangle in `glyph`.
QPixmap PlayPixmap(const QColor& face, const QColor& glyph, const QColor* glyphShadow) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(2, 2, 12, 12, face);
    // Light from the top left: the outer edge is shadow above and highlight
    // below, the inner edge dark shadow above and face-light below.
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, 14, 0);
    painter.drawLine(0, 0, 0, 14);
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(0, 15, 15, 15);
    painter.drawLine(15, 0, 15, 15);
    painter.setPen(QColor(64, 64, 64));
    painter.drawLine(1, 1, 13, 1);
    painter.drawLine(1, 1, 1, 13);
    painter.setPen(QColor(212, 208, 200));
    painter.drawLine(1, 14, 14, 14);
    painter.drawLine(14, 1, 14, 14);

    const QPoint triangle[] = {QPoint(6, 4), QPoint(6, 12), QPoint(10, 8)};
    painter.setPen(Qt::NoPen);
    if (glyphShadow != nullptr) {
        // A greyed glyph is etched: its highlight shows one pixel down and right.
        painter.setBrush(*glyphShadow);
        const QPoint etched[] = {triangle[0] + QPoint(1, 1), triangle[1] + QPoint(1, 1),
                                 triangle[2] + QPoint(1, 1)};
        painter.drawPolygon(etched, 3);
    }
    painter.setBrush(glyph);
    painter.setPen(glyph);
    painter.drawPolygon(triangle, 3);
    return pixmap;
}

}  // namespace

QIcon PlayIcon() {
    QIcon icon;
    icon.addPixmap(PlayPixmap(QColor(255, 255, 255), QColor(0, 128, 0), nullptr), QIcon::Normal);
    const QColor etch(255, 255, 255);
    icon.addPixmap(PlayPixmap(QColor(212, 208, 200), QColor(128, 128, 128), &etch),
                   QIcon::Disabled);
    return icon;
}

TfrmZKconfig::TfrmZKconfig(QWidget* parent, ErrorBox errorBox)
    : QDialog(parent), errorBox_(std::move(errorBox)) {
    if (!errorBox_) {
        errorBox_ = [this](const QString& title, const QString& text) {
            QMessageBox::critical(this, title, text);
        };
    }
    setObjectName(QStringLiteral("frmZKconfig"));
    setWindowTitle(QStringLiteral("設定 - Kestro"));
    // A fixed single border: a caption with the close box, nothing to resize.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    setFont(DialogFont());
    setFixedSize(kClientWidth, kClientHeight);
    move(296, 217);
    BuildControls();
}

void TfrmZKconfig::BuildControls() {
    auto* label = new QLabel(QStringLiteral("ﾈｯﾄﾜｰｸｲﾝﾀﾌｪｰｽ"), this);
    label->move(4, 4);
    label->adjustSize();

    cboAdapter = new QComboBox(this);
    cboAdapter->setObjectName(QStringLiteral("cboAdapter"));
    cboAdapter->setEditable(false);
    cboAdapter->setGeometry(102, 0, 247, 20);

    // Made before the check box that sits on its top edge, so that the check box
    // paints over the frame line.
    grpSound = new QGroupBox(this);
    grpSound->setObjectName(QStringLiteral("grpSound"));
    grpSound->setGeometry(kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight);

    chkSoundEnabled = new QCheckBox(QStringLiteral("イベント発生時に音を鳴らす"), this);
    chkSoundEnabled->setObjectName(QStringLiteral("chkSoundEnabled"));
    // 165 fits the caption in the designed face; a stand-in face with wider kana
    // gets the width it needs rather than a clipped caption.
    chkSoundEnabled->setGeometry(20, 24, std::max(165, chkSoundEnabled->sizeHint().width()),
                                 kCheckHeight);
    chkSoundEnabled->setAutoFillBackground(true);
    chkSoundEnabled->raise();

    btnTestServerMessage = new QToolButton(grpSound);
    btnTestServerMessage->setObjectName(QStringLiteral("btnTestServerMessage"));
    btnTestServerMessage->setGeometry(304, 9, 20, 20);
    // It must leave the focus in the edit box whose file it is to play.
    btnTestServerMessage->setFocusPolicy(Qt::NoFocus);
    btnTestServerMessage->setIcon(PlayIcon());
    btnTestServerMessage->setIconSize(QSize(16, 16));
    connect(btnTestServerMessage, &QToolButton::clicked, this,
            &TfrmZKconfig::btnTestServerMessageClick);

    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        BuildRow(rows_[i], kConfigDialogRows[i]);
    }
    // Focus order: the adapter, the master switch, then the rows top to bottom.
    QWidget* previous = chkSoundEnabled;
    setTabOrder(cboAdapter, chkSoundEnabled);
    for (const Row& row : rows_) {
        setTabOrder(previous, row.check);
        setTabOrder(row.check, row.edit);
        previous = row.edit;
    }

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(180, 496, 75, 25);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(264, 496, 75, 25);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(previous, btnOk);
    setTabOrder(btnOk, btnCancel);
}

void TfrmZKconfig::BuildRow(Row& row, const ConfigDialogRow& design) {
    const QString stem = QString::fromUtf8(SoundEventInfoOf(design.event).stem);
    row.check = new QCheckBox(QString::fromUtf8(design.caption), grpSound);
    row.check->setObjectName(QStringLiteral("chk") + stem);
    const int widest = kGroupWidth - kRowCheckLeft - 4;
    row.check->setGeometry(kRowCheckLeft, design.top,
                           std::min(row.check->sizeHint().width(), widest), kCheckHeight);

    row.edit = new QLineEdit(grpSound);
    row.edit->setObjectName(QStringLiteral("edt") + stem);
    row.edit->setGeometry(kRowEditLeft, design.top + kRowEditOffset, kRowEditWidth, kRowEditHeight);
}

void TfrmZKconfig::SetAdapters(const std::vector<std::string>& descriptions) {
    std::vector<AdapterChoice> choices;
    for (const std::string& description : descriptions) {
        choices.push_back({std::string(), description, true});
    }
    FillAdapters(choices);
}

void TfrmZKconfig::FillAdapters(const std::vector<AdapterChoice>& choices) {
    cboAdapter->clear();
    adapterNames_.clear();
    auto* model = qobject_cast<QStandardItemModel*>(cboAdapter->model());
    for (const AdapterChoice& choice : choices) {
        cboAdapter->addItem(QString::fromStdString(choice.label));
        adapterNames_.push_back(choice.name);
        // Greyed, not left out: line i must stay adapter i.
        if (!choice.usable && model != nullptr) {
            model->item(cboAdapter->count() - 1)->setEnabled(false);
        }
    }
}

bool TfrmZKconfig::RunSettingsDialog(Settings& settings, SoundPlayer& player,
                                     const std::function<void()>& applyAdapter) {
    if (adapterSource_) {
        FillAdapters(adapterSource_());
    }
    const int32_t index = ChosenAdapterIndex(settings, adapterNames_);
    cboAdapter->setCurrentIndex(index >= 0 && index < cboAdapter->count() ? index : -1);
    CopyIn(settings);

    SoundPlayer* const previous = std::exchange(player_, &player);
    const int result = exec();
    player_ = previous;
    if (result != QDialog::Accepted) {
        return false;
    }

    // The adapter first: capture moves before the sound settings change.
    const int chosen = cboAdapter->currentIndex();
    settings.AdapterIndex = chosen;
    settings.AdapterName = chosen >= 0 && static_cast<size_t>(chosen) < adapterNames_.size()
                               ? adapterNames_[static_cast<size_t>(chosen)]
                               : std::string();
    if (applyAdapter) {
        applyAdapter();
    }
    CopyOut(settings);
    return true;
}

void TfrmZKconfig::CopyIn(const Settings& settings) {
    chkSoundEnabled->setChecked(settings.SoundEnabled);
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        Row& row = rows_[i];
        const SoundEventSetting& sound = settings.Sound(kConfigDialogRows[i].event);
        row.check->setChecked(sound.Enabled);
        row.givenPath = sound.Sound;
        row.shownPath = WithFolderSeparators(QString::fromStdString(sound.Sound));
        row.edit->setText(row.shownPath);
    }
}

void TfrmZKconfig::CopyOut(Settings& settings) const {
    settings.SoundEnabled = chkSoundEnabled->isChecked();
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        SoundEventSetting& sound = settings.Sound(kConfigDialogRows[i].event);
        sound.Enabled = rows_[i].check->isChecked();
        sound.Sound = PathIn(rows_[i]);
    }
}

std::string TfrmZKconfig::PathIn(const Row& row) {
    const QString text = row.edit->text();
    return text == row.shownPath ? row.givenPath : text.toStdString();
}

void TfrmZKconfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Restoring from the task bar is the window system's show, not the form's.
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TfrmZKconfig::FormShow() {
    // Read afresh at every show: a hand edit of the file counts from the next opening.
    saveFormSize_ = ReadIniBool("Function", "SaveFormSize", true);
    if (saveFormSize_) {
        LoadFormPlacement(this);
    }
}

void TfrmZKconfig::done(int result) {
    // OK, Cancel, Esc and the close box all end here.
    if (isVisible()) {
        FormClose();
    }
    QDialog::done(result);
}

void TfrmZKconfig::FormClose() {
    if (player_ != nullptr) {
        player_->Play("");
    }
    if (saveFormSize_) {
        const Result saved = SaveFormPlacement(this);
        if (saved) {
            return;
        }
        if (refusedWrite_) {
            refusedWrite_(saved);
        } else {
            errorBox_(QStringLiteral("Kestro"), QString::fromStdString(saved.Message()));
        }
    }
}

void TfrmZKconfig::btnTestServerMessageClick() {
    // The button takes no focus, so the focus child is the control the user was in.
    std::string path;
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget())) {
        path = edit->text().toStdString();
        for (const Row& row : rows_) {
            if (row.edit == edit) {
                path = PathIn(row);
            }
        }
    }
    // Neither the master switch nor the row's own switch applies to a try-out.
    if (player_ != nullptr) {
        player_->Play(path);
    }
}

}  // namespace kestro
