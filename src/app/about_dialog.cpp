#include "app/about_dialog.h"

#include <QDesktopServices>
#include <QEvent>
#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "app/fonts.h"

// The picture lives in a static library, whose resource registration the
// linker would drop unless something refers to it.
static void InitAboutResources() {
    Q_INIT_RESOURCE(about);
}

namespace kestro {

namespace {

const char* const kCredits =
    "Kestro - a race companion that listens, never sends.\n"
    "\n"
    "Packet capture component: Kestro's own.\n"
    "libpcap - BSD licence, The Tcpdump Group.\n"
    "Qt 6 - LGPLv3, The Qt Company and contributors.\n"
    "libjpeg-turbo (through Qt's JPEG plugin) - IJG licence and BSD licence.\n"
    "libsndfile - LGPL-2.1 or later.\n"
    "ALSA library - LGPL-2.1 or later.\n"
    "Noto Sans CJK fonts - SIL Open Font License 1.1.\n";

void ShowAsLink(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
}

}  // namespace

QString TfrmZKabout::ProjectUrl() {
    return QString::fromStdString(AboutProjectUrl());
}

TfrmZKabout::TfrmZKabout(QWidget* parent, const QString& projectUrl)
    : QDialog(parent), address_(AboutAddressLine(projectUrl.toStdString())) {
    setObjectName(QStringLiteral("frmZKabout"));
    setWindowTitle(QStringLiteral("About"));
    // Only the main window's closing ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(ProportionalFont(12));
    setModal(true);
    setFixedSize(378, 159);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    InitAboutResources();
    imgDorvik = new QLabel(this);
    imgDorvik->setObjectName(QStringLiteral("imgDorvik"));
    imgDorvik->setGeometry(4, 4, 107, 150);
    QImageReader reader(QStringLiteral(":/about/kestro.jpg"), "jpeg");
    const QImage image = reader.read();
    pictureLoaded_ = !image.isNull();
    if (pictureLoaded_) {
        imgDorvik->setPixmap(QPixmap::fromImage(image));
    } else {
        imgDorvik->setText(reader.errorString());
        imgDorvik->setWordWrap(true);
    }

    labTitle = new QLabel(QStringLiteral("Kestro"), this);
    labTitle->setObjectName(QStringLiteral("labTitle"));
    QFont titleFont = ProportionalFont(16);
    titleFont.setBold(true);
    labTitle->setFont(titleFont);
    labTitle->setGeometry(120, 4, 250, 22);

    labAuthor = new QLabel(QStringLiteral("Kestro developers"), this);
    labAuthor->setObjectName(QStringLiteral("labAuthor"));
    labAuthor->setGeometry(120, 28, 250, 16);

    labURL = new QLabel(this);
    labURL->setObjectName(QStringLiteral("labURL"));
    labURL->setGeometry(120, 46, 250, 16);
    labURL->setText(QString::fromStdString(address_.text));
    if (address_.IsLink()) {
        ShowAsLink(labURL);
        labURL->installEventFilter(this);
    }

    memCredits = new QPlainTextEdit(QString::fromUtf8(kCredits), this);
    memCredits->setObjectName(QStringLiteral("memCredits"));
    memCredits->setReadOnly(true);
    memCredits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memCredits->setGeometry(120, 66, 252, 58);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(297, 129, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmZKabout::labURLClick() {
    if (address_.IsLink()) {
        QDesktopServices::openUrl(QUrl(QString::fromStdString(address_.url)));
    }
}

void TfrmZKabout::showEvent(QShowEvent* event) {
    if (centreOn_) {
        QRect box = frameGeometry();
        box.moveCenter(centreOn_->frameGeometry().center());
        // A main window near a screen edge must not push the box's title bar off it.
        if (const QScreen* screen = centreOn_->screen()) {
            const QRect area = screen->availableGeometry();
            box.moveLeft(std::clamp(box.left(), area.left(),
                                    std::max(area.left(), area.right() - box.width() + 1)));
            box.moveTop(std::clamp(box.top(), area.top(),
                                   std::max(area.top(), area.bottom() - box.height() + 1)));
        }
        move(box.topLeft());
    }
    QDialog::showEvent(event);
}

bool TfrmZKabout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == labURL && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        labURLClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kestro
