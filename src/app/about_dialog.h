// The about box: the picture, the name, who made it, where to find it, and the
// credits for the parts Kestro is built from.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "shell/about_box.h"

namespace kestro {

class TfrmZKabout : public QDialog {
    Q_OBJECT
public:
    // The home page this build was configured with (KESTRO_HOMEPAGE_URL), or empty.
    static QString ProjectUrl();

    // Without an address the label shows the version as plain text, not a dead link.
    explicit TfrmZKabout(QWidget* parent = nullptr, const QString& projectUrl = ProjectUrl());

    // The window the box is centred on each time it is shown.
    void SetCentreOn(QWidget* window) { centreOn_ = window; }

    QLabel* Picture() const { return imgDorvik; }
    QLabel* UrlLabel() const { return labURL; }
    QPlainTextEdit* Credits() const { return memCredits; }
    QPushButton* OkButton() const { return btnOK; }
    // Whether the picture was decoded; without it the box still opens.
    bool PictureLoaded() const { return pictureLoaded_; }

public slots:
    void labURLClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* imgDorvik;
    QLabel* labTitle;
    QLabel* labAuthor;
    QLabel* labURL;
    QPlainTextEdit* memCredits;
    QPushButton* btnOK;
    AboutAddress address_;
    QPointer<QWidget> centreOn_;
    bool pictureLoaded_ = false;
};

}  // namespace kestro
