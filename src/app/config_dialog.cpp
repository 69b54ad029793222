#include "app/config_dialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "app/fonts.h"

namespace kestro {

TfrmZKconfig::TfrmZKconfig(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmZKconfig"));
    setWindowTitle(QStringLiteral("設定 - Kestro"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(ProportionalFont(12));
    setModal(true);
    cboAdapter = new QComboBox(this);
    cboAdapter->setObjectName(QStringLiteral("cboAdapter"));
    cboAdapter->setEnabled(false);  // choosing arrives with the full dialog
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cboAdapter);
    layout->addStretch();
    layout->addWidget(buttons);
    resize(360, 120);
}

void TfrmZKconfig::SetAdapters(const std::vector<std::string>& descriptions) {
    cboAdapter->clear();
    for (const std::string& description : descriptions) {
        cboAdapter->addItem(QString::fromStdString(description));
    }
}

}  // namespace kestro
