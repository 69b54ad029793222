#include "app/config_dialog.h"

#include <QColor>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QStandardItemModel>
#include <QStringList>
#include <algorithm>

namespace kestro {

namespace {

using namespace config_layout;

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width, r.height);
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

TfrmZKconfig::TfrmZKconfig(QWidget* parent)
    : ShellDialog(parent, QStringLiteral("frmZKconfig"), kCaption, kClientWidth, kClientHeight) {
    move(kLeft, kTop);
    BuildControls();
}

void TfrmZKconfig::BuildControls() {
    auto* label = new QLabel(QString::fromUtf8(kAdapterLabel), this);
    label->move(kAdapterLabelRect.left, kAdapterLabelRect.top);
    label->adjustSize();

    cboAdapter = new QComboBox(this);
    cboAdapter->setObjectName(QStringLiteral("cboAdapter"));
    cboAdapter->setEditable(false);
    cboAdapter->setGeometry(ToQRect(kAdapterBox));

    // Made before the check box that sits on its top edge, so that the check box
    // paints over the frame line.
    grpSound = new QGroupBox(this);
    grpSound->setObjectName(QStringLiteral("grpSound"));
    grpSound->setGeometry(kGroupLeft, kGroupTop, kGroupWidth, kGroupHeight);

    chkSoundEnabled = new QCheckBox(QString::fromUtf8(kSoundEnabledCaption), this);
    chkSoundEnabled->setObjectName(QStringLiteral("chkSoundEnabled"));
    // A stand-in face with wider kana than the designed one gets the width it
    // needs rather than a clipped caption.
    chkSoundEnabled->setGeometry(
        kSoundEnabledRect.left, kSoundEnabledRect.top,
        std::max(kSoundEnabledRect.width, chkSoundEnabled->sizeHint().width()),
        kSoundEnabledRect.height);
    chkSoundEnabled->setAutoFillBackground(true);
    chkSoundEnabled->raise();

    btnTestServerMessage = new QToolButton(grpSound);
    btnTestServerMessage->setObjectName(QStringLiteral("btnTestServerMessage"));
    btnTestServerMessage->setGeometry(ToQRect(kTestButton));
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

    btnOk = new QPushButton(QString::fromUtf8(kOkCaption), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(ToQRect(kOkButton));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    btnCancel = new QPushButton(QString::fromUtf8(kCancelCaption), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(ToQRect(kCancelButton));
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

void TfrmZKconfig::FillAdapters(const std::vector<AdapterChoice>& choices) {
    cboAdapter->clear();
    auto* model = qobject_cast<QStandardItemModel*>(cboAdapter->model());
    for (const AdapterChoice& choice : choices) {
        cboAdapter->addItem(QString::fromStdString(choice.label));
        // Greyed, not left out: line i must stay adapter i.
        if (!choice.usable && model != nullptr) {
            model->item(cboAdapter->count() - 1)->setEnabled(false);
        }
    }
}

bool TfrmZKconfig::RunModal(SettingsDialog& dialog, ConfigDialogValues& confirmed) {
    FillAdapters(dialog.Adapters());
    CopyIn(dialog.Shown());
    if (!Exec(dialog)) {
        return false;
    }
    confirmed = CopyOut();
    return true;
}

void TfrmZKconfig::CopyIn(const ConfigDialogValues& values) {
    const int index = values.adapterIndex;
    cboAdapter->setCurrentIndex(index >= 0 && index < cboAdapter->count() ? index : -1);
    chkSoundEnabled->setChecked(values.soundEnabled);
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        Row& row = rows_[i];
        row.check->setChecked(values.rows[i].Enabled);
        row.path.ShowIn(row.edit, values.rows[i].Sound);
    }
}

ConfigDialogValues TfrmZKconfig::CopyOut() const {
    ConfigDialogValues values;
    values.adapterIndex = cboAdapter->currentIndex();
    values.soundEnabled = chkSoundEnabled->isChecked();
    for (int i = 0; i < kConfigDialogRowCount; ++i) {
        values.rows[i].Enabled = rows_[i].check->isChecked();
        values.rows[i].Sound = rows_[i].path.ReadFrom(rows_[i].edit);
    }
    return values;
}

void TfrmZKconfig::btnTestServerMessageClick() {
    // The button takes no focus, so the focus child is the control the user was in.
    std::string path;
    if (auto* edit = qobject_cast<QLineEdit*>(focusWidget())) {
        path = edit->text().toStdString();
        for (const Row& row : rows_) {
            if (row.edit == edit) {
                path = row.path.ReadFrom(edit);
            }
        }
    }
    if (model_ != nullptr) {
        model_->TestSound(path);
    }
}

}  // namespace kestro
