#include "app/shell_dialog.h"

namespace kestro {

void SoundPathText::ShowIn(QLineEdit* edit, const std::string& path) {
    given = path;
    shown = QString::fromStdString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    edit->setText(shown);
}

std::string SoundPathText::ReadFrom(const QLineEdit* edit) const {
    const QString text = edit->text();
    return text == shown ? given : text.toStdString();
}

}  // namespace kestro
