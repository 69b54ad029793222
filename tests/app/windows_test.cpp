// The log window and the about box, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QObject>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "app/about_dialog.h"
#include "app/app_icon.h"
#include "app/log_window.h"
#include "support/qt_app.h"

namespace kestro {
namespace {

using test::TestApp;

TEST(LogWindow, KeepsTheNewestLinesWhenTheCapIsReached) {
    TestApp();
    TfrmZKlog log;
    EXPECT_EQ(log.windowTitle(), QStringLiteral("ログ表示"));
    constexpr int kExtra = 3;
    for (int i = 0; i < TfrmZKlog::kMaxLines + kExtra; ++i) {
        log.AppendLine(QString::number(i));
    }
    QTextDocument* doc = log.Memo()->document();
    ASSERT_EQ(doc->blockCount(), TfrmZKlog::kMaxLines);
    EXPECT_EQ(doc->firstBlock().text(), QString::number(kExtra));
    EXPECT_EQ(doc->lastBlock().text(), QString::number(TfrmZKlog::kMaxLines + kExtra - 1));

    // Lines arrive while the window is hidden, and hiding loses none of them.
    log.show();
    log.close();
    EXPECT_FALSE(log.isVisible());
    log.AppendLine(QStringLiteral("後"));
    EXPECT_EQ(doc->lastBlock().text(), QStringLiteral("後"));
    log.Clear();
    EXPECT_TRUE(log.Memo()->toPlainText().isEmpty());
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

TEST(AboutBox, ShowsTheGeneratedPictureAndOpensTheProjectAddress) {
    TestApp();
    const QString home = QStringLiteral("https://kestro.invalid/");
    TfrmZKabout about(nullptr, home);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(378, 159));
    ASSERT_TRUE(about.PictureLoaded()) << about.Picture()->text().toStdString();
    EXPECT_EQ(about.Picture()->pixmap().size(), QSize(107, 150));
    // The picture must be a real drawing, not a flat fill.
    const QImage picture = about.Picture()->pixmap().toImage();
    EXPECT_NE(picture.pixel(5, 5), picture.pixel(50, 140));

    EXPECT_TRUE(about.Credits()->isReadOnly());
    for (const char* credit : {"libpcap", "Qt 6", "libsndfile", "ALSA", "libjpeg-turbo"}) {
        EXPECT_TRUE(about.Credits()->toPlainText().contains(QString::fromLatin1(credit))) << credit;
    }

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "Open");
    QTest::mouseClick(about.UrlLabel(), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened[0], QUrl(home));
    EXPECT_EQ(about.UrlLabel()->text(), home);
    EXPECT_TRUE(about.UrlLabel()->font().underline());
}

TEST(AboutBox, WithoutAHomePageTheLabelIsPlainTextThatOpensNothing) {
    TestApp();
    TfrmZKabout about(nullptr, QString());
    EXPECT_TRUE(about.UrlLabel()->text().startsWith(QStringLiteral("Version ")));
    EXPECT_FALSE(about.UrlLabel()->font().underline());
    EXPECT_EQ(about.UrlLabel()->cursor().shape(), Qt::ArrowCursor);
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    QTest::mouseClick(about.UrlLabel(), Qt::LeftButton);
    about.labURLClick();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(recorder.opened.isEmpty());
}

TEST(AboutBox, IsCentredOnTheMainWindowAndClosesWithOk) {
    TestApp();
    QWidget mainWindow;
    mainWindow.setGeometry(200, 150, 433, 87);
    mainWindow.show();
    TfrmZKabout about;
    about.SetCentreOn(&mainWindow);
    about.show();
    EXPECT_EQ(about.frameGeometry().center(), mainWindow.frameGeometry().center());
    QTest::mouseClick(about.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AppIcon, EveryWindowShowsTheIconInEachSizeOfTheDesktop) {
    TestApp();
    InstallApplicationIcon();
    TfrmZKlog log;
    TfrmZKabout about(nullptr, QString());
    QMessageBox box;
    for (QWidget* window : std::initializer_list<QWidget*>{&log, &about, &box}) {
        EXPECT_EQ(window->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    }
    const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
}

}  // namespace
}  // namespace kestro

#include "windows_test.moc"
