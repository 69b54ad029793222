#include "app/history_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "app/fonts.h"

namespace kestro {

namespace {

constexpr int kRowHeight = 16;
constexpr int kLabelWidth = 44;
constexpr int kBarWidth = 120;
constexpr int kCountWidth = 76;

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

THistoryBars::THistoryBars(QWidget* parent) : QWidget(parent) {
    setFont(ProportionalFont(12));
}

void THistoryBars::SetBars(const std::vector<HistoryBar>& bars) {
    bars_ = bars;
    // Every row shown: a layout may give a widget less than its size hint.
    setMinimumHeight(static_cast<int>(bars_.size()) * kRowHeight);
    updateGeometry();
    update();
}

QSize THistoryBars::sizeHint() const {
    return {kLabelWidth + kBarWidth + kCountWidth, static_cast<int>(bars_.size()) * kRowHeight};
}

void THistoryBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int barWidth = std::max(20, width() - kLabelWidth - kCountWidth);
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        const int y = static_cast<int>(i) * kRowHeight;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(0, y, kLabelWidth - 4, kRowHeight),
                         Qt::AlignVCenter | Qt::AlignRight, Text(bars_[i].label));
        const int length = static_cast<int>(bars_[i].length * barWidth + 0.5);
        painter.fillRect(QRect(kLabelWidth, y + 3, barWidth, kRowHeight - 6), QColor(0xE4E4E4));
        painter.fillRect(QRect(kLabelWidth, y + 3, length, kRowHeight - 6), QColor(0x2F6FB0));
        painter.drawText(QRect(kLabelWidth + barWidth + 4, y, kCountWidth - 4, kRowHeight),
                         Qt::AlignVCenter | Qt::AlignLeft, Text(bars_[i].count));
    }
}

TfrmZKhistory::TfrmZKhistory(QWidget* parent, std::function<void(bool)> keepChanged)
    : QWidget(parent, Qt::Window), keepChanged_(std::move(keepChanged)) {
    setObjectName(QStringLiteral("frmZKhistory"));
    setFont(ProportionalFont(12));
    auto* layout = new QVBoxLayout(this);
    labFile_ = new QLabel(this);
    labFile_->setWordWrap(true);
    layout->addWidget(labFile_);

    auto* races = new QHBoxLayout();
    for (int race = 0; race < 2; ++race) {
        auto* column = new QVBoxLayout();
        auto* grid = new QGridLayout();
        raceTitles_[race] = new QLabel(this);
        columnTonight_[race] = new QLabel(this);
        columnAllTime_[race] = new QLabel(this);
        grid->addWidget(raceTitles_[race], 0, 0);
        grid->addWidget(columnTonight_[race], 0, 1, Qt::AlignRight);
        grid->addWidget(columnAllTime_[race], 0, 2, Qt::AlignRight);
        for (int row = 0; row < kFigureRows; ++row) {
            for (int col = 0; col < 3; ++col) {
                QLabel*& label = figures_[race][static_cast<std::size_t>(row * 3 + col)];
                label = new QLabel(this);
                grid->addWidget(label, row + 1, col, col == 0 ? Qt::AlignLeft : Qt::AlignRight);
            }
        }
        column->addLayout(grid);
        winnersTitles_[race] = new QLabel(this);
        winners_[race] = new THistoryBars(this);
        column->addWidget(winnersTitles_[race]);
        column->addWidget(winners_[race]);
        if (race == 1) {
            pairsTitle_ = new QLabel(this);
            pairs_ = new THistoryBars(this);
            column->addWidget(pairsTitle_);
            column->addWidget(pairs_);
        }
        column->addStretch();
        races->addLayout(column);
    }
    layout->addLayout(races);
    labNote_ = new QLabel(this);
    labNote_->setWordWrap(true);
    layout->addWidget(labNote_);
    labLatest_ = new QLabel(this);
    layout->addWidget(labLatest_);
    lstLatest_ = new QListWidget(this);
    lstLatest_->setFont(FixedPitchFont(12));
    lstLatest_->setMinimumHeight(110);
    layout->addWidget(lstLatest_);
    chkKeep_ = new QCheckBox(this);
    layout->addWidget(chkKeep_);
    // Only a click is the user's choice; the page setting it is not.
    connect(chkKeep_, &QCheckBox::clicked, this, [this](bool checked) {
        if (keepChanged_) {
            keepChanged_(checked);
        }
    });
}

QLabel* TfrmZKhistory::Figure(int race, int row, int column) const {
    return figures_[static_cast<std::size_t>(race)][static_cast<std::size_t>(row * 3 + column)];
}

void TfrmZKhistory::ShowPage(const HistoryPage& page) {
    setWindowTitle(Text(page.caption));
    labFile_->setText(Text(page.fileLine));
    for (std::size_t race = 0; race < 2; ++race) {
        const HistoryRacePage& r = page.races[race];
        raceTitles_[race]->setText(QStringLiteral("<b>%1</b>").arg(Text(r.title).toHtmlEscaped()));
        columnTonight_[race]->setText(Text(page.tonightHeading));
        columnAllTime_[race]->setText(Text(page.allTimeHeading));
        for (std::size_t row = 0; row < kFigureRows && row < r.figures.size(); ++row) {
            figures_[race][row * 3]->setText(Text(r.figures[row].label));
            figures_[race][row * 3 + 1]->setText(Text(r.figures[row].tonight));
            figures_[race][row * 3 + 2]->setText(Text(r.figures[row].allTime));
        }
        winnersTitles_[race]->setText(Text(r.winnersTitle));
        winners_[race]->SetBars(r.winners);
    }
    pairsTitle_->setText(Text(page.races[1].pairsTitle));
    pairs_->SetBars(page.races[1].pairs);
    labNote_->setText(Text(page.barsNote));
    labLatest_->setText(Text(page.latestTitle));
    lstLatest_->clear();
    for (const std::string& line : page.latest) {
        lstLatest_->addItem(Text(line));
    }
    chkKeep_->setText(Text(page.keepLabel));
    chkKeep_->setChecked(page.keep);
    adjustSize();
}

}  // namespace kestro
