// What the Qt faces of the shell's modal dialogs share (the settings dialog,
// the reminders window): a fixed single border with the caption and the close
// box, modal, ending only with the main window; placement by the shell's
// rules; the model's FormShow at the form's own show and its FormClose at every
// end; and the sound paths in their edit boxes.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QShowEvent>
#include <QString>
#include <string>
#include <vector>

#include "app/fonts.h"
#include "app/placement_qt.h"

namespace kestro {

// A sound path in an edit box. Paths keep the settings file's "\" (the player
// reads it as a folder separator); the user reads and types them with this
// system's "/". A path that is not valid UTF-8 cannot be shown exactly, and an
// untouched box must give back the bytes it was given.
struct SoundPathText {
    std::string given;  // the path as it was handed in
    QString shown;      // as the box first showed it

    void ShowIn(QLineEdit* edit, const std::string& path);
    std::string ReadFrom(const QLineEdit* edit) const;
};

template <class View, class Model>
class ShellDialog : public QDialog, public View {
public:
    WindowPlacement QueryPlacement() const override { return QueryFormPlacement(this); }
    void ApplyPlacement(const WindowPlacement& placement) override {
        ApplyFormPlacement(this, placement);
    }
    std::vector<ScreenArea> ScreenAreas() const override { return AvailableScreenAreas(); }

    // OK, Cancel, Esc and the close box all end here.
    void done(int result) override {
        if (isVisible() && model_ != nullptr) {
            model_->FormClose();
        }
        QDialog::done(result);
    }

protected:
    ShellDialog(QWidget* parent, const QString& name, const char* caption, int width, int height)
        : QDialog(parent) {
        setObjectName(name);
        setWindowTitle(QString::fromUtf8(caption));
        // A fixed single border: a caption with the close box, nothing to resize.
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                       Qt::MSWindowsFixedSizeDialogHint);
        // Only the main window's closing ends the program.
        setAttribute(Qt::WA_QuitOnClose, false);
        setModal(true);
        setFont(ProportionalFont(12));
        setFixedSize(width, height);
    }

    // Runs modally, drawing `model`; true on OK.
    bool Exec(Model& model) {
        model_ = &model;
        const int result = exec();
        model_ = nullptr;
        return result == QDialog::Accepted;
    }

    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        // Restoring from the task bar is the window system's show, not the form's.
        if (!event->spontaneous() && model_ != nullptr) {
            model_->FormShow();
        }
    }

    // The model being drawn, while Exec runs.
    Model* model_ = nullptr;
};

}  // namespace kestro
