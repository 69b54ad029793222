#include "app/log_window.h"

#include <QVBoxLayout>

#include "app/fonts.h"

namespace kestro {

TfrmZKlog::TfrmZKlog(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmZKlog"));
    setWindowTitle(QStringLiteral("ログ表示"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(ProportionalFont(12));
    // Without a window manager there is no frame, so the outer size is the client size.
    move(347, 107);
    resize(392, 252);

    memLog = new QPlainTextEdit(this);
    memLog->setObjectName(QStringLiteral("memLog"));
    memLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setMaximumBlockCount(kMaxLines);
    memLog->setUndoRedoEnabled(false);  // an undo stack would grow with every line

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memLog);
}

}  // namespace kestro
