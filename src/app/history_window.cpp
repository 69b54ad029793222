#include "app/history_window.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "app/fonts.h"
#include "app/placement_qt.h"

namespace kestro {

namespace {

constexpr int kFontPixels = 12;
constexpr int kMinBarWidth = 40;
constexpr int kGap = 4;
constexpr int kColumnGap = 12;
constexpr int kPairColumns = 3;
// Enough of the latest results to read the evening's run; the rest scroll.
constexpr int kLatestRowsShown = 6;

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

THistoryBars::THistoryBars(QWidget* parent, int columns)
    : QWidget(parent), columns_(std::max(1, columns)) {
    setFont(ProportionalFont(kFontPixels));
}

void THistoryBars::SetBars(const std::vector<HistoryBar>& bars) {
    bars_ = bars;
    updateGeometry();
    update();
}

int THistoryBars::Rows() const {
    return (static_cast<int>(bars_.size()) + columns_ - 1) / columns_;
}

int THistoryBars::LabelWidth() const {
    int widest = 0;
    for (const HistoryBar& bar : bars_) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(Text(bar.label)));
    }
    return widest + kGap;
}

// As wide as the widest count, so that the bars of a group start and end together.
int THistoryBars::CountWidth() const {
    int widest = 0;
    for (const HistoryBar& bar : bars_) {
        widest = std::max(widest, fontMetrics().horizontalAdvance(Text(bar.count)));
    }
    return widest + kGap;
}

QSize THistoryBars::sizeHint() const {
    const int column = LabelWidth() + kMinBarWidth + kGap + CountWidth();
    return {columns_ * column + (columns_ - 1) * kColumnGap, Rows() * fontMetrics().height()};
}

void THistoryBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int rowHeight = fontMetrics().height();
    const int labelWidth = LabelWidth();
    const int countWidth = CountWidth();
    const int columnWidth = (width() - (columns_ - 1) * kColumnGap) / columns_;
    const int barWidth = std::max(kMinBarWidth, columnWidth - labelWidth - kGap - countWidth);
    const int rows = Rows();
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        const int x = static_cast<int>(i) / rows * (columnWidth + kColumnGap);
        const int y = static_cast<int>(i) % rows * rowHeight;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(x, y, labelWidth - kGap, rowHeight),
                         Qt::AlignVCenter | Qt::AlignRight, Text(bars_[i].label));
        const int left = x + labelWidth;
        const int length = static_cast<int>(bars_[i].length * barWidth + 0.5);
        const int inset = rowHeight / 4;
        painter.fillRect(QRect(left, y + inset, barWidth, rowHeight - 2 * inset), QColor(0xE4E4E4));
        painter.fillRect(QRect(left, y + inset, length, rowHeight - 2 * inset), QColor(0x2F6FB0));
        painter.drawText(QRect(left + barWidth + kGap, y, countWidth, rowHeight),
                         Qt::AlignVCenter | Qt::AlignLeft, Text(bars_[i].count));
    }
}

TfrmZKhistory::TfrmZKhistory(QWidget* parent, std::function<void(bool)> keepChanged,
                             std::function<void(bool)> restoreChanged)
    : QWidget(parent, Qt::Window),
      keepChanged_(std::move(keepChanged)),
      restoreChanged_(std::move(restoreChanged)) {
    setObjectName(QStringLiteral("frmZKhistory"));
    setFont(ProportionalFont(kFontPixels));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(kGap);
    labFile_ = new QLabel(this);
    labFile_->setWordWrap(true);
    layout->addWidget(labFile_);

    auto* races = new QHBoxLayout();
    races->setSpacing(3 * kColumnGap / 2);
    for (std::size_t race = 0; race < 2; ++race) {
        auto* column = new QVBoxLayout();
        column->setSpacing(2);
        auto* grid = new QGridLayout();
        grid->setVerticalSpacing(0);
        grid->setHorizontalSpacing(kColumnGap);
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
        grid->setColumnStretch(0, 1);
        column->addLayout(grid);
        column->addSpacing(kGap);
        winnersTitles_[race] = new QLabel(this);
        winners_[race] = new THistoryBars(this, 1);
        column->addWidget(winnersTitles_[race]);
        column->addWidget(winners_[race]);
        races->addLayout(column, 1);
    }
    layout->addLayout(races);
    layout->addSpacing(kGap);
    pairsTitle_ = new QLabel(this);
    pairs_ = new THistoryBars(this, kPairColumns);
    layout->addWidget(pairsTitle_);
    layout->addWidget(pairs_);
    labNote_ = new QLabel(this);
    layout->addWidget(labNote_);
    layout->addSpacing(kGap);
    labLatest_ = new QLabel(this);
    layout->addWidget(labLatest_);
    lstLatest_ = new QListWidget(this);
    lstLatest_->setFont(FixedPitchFont(kFontPixels));
    lstLatest_->setMinimumHeight(kLatestRowsShown * QFontMetrics(lstLatest_->font()).height() +
                                 2 * lstLatest_->frameWidth());
    layout->addWidget(lstLatest_, 1);
    chkKeep_ = new QCheckBox(this);
    chkRestore_ = new QCheckBox(this);
    layout->addWidget(chkKeep_);
    layout->addWidget(chkRestore_);
    // Only a click is the user's choice; the page setting it is not.
    connect(chkKeep_, &QCheckBox::clicked, this, [this](bool checked) {
        if (keepChanged_) {
            keepChanged_(checked);
        }
    });
    connect(chkRestore_, &QCheckBox::clicked, this, [this](bool checked) {
        if (restoreChanged_) {
            restoreChanged_(checked);
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
    chkRestore_->setText(Text(page.restoreLabel));
    chkRestore_->setChecked(page.restore);
    // Opened at the least size that shows everything; after that the layout
    // keeps every element shown and a size the user chose is kept.
    if (!sized_) {
        sized_ = true;
        layout()->activate();
        resize(minimumSizeHint());
    }
}

void TfrmZKhistory::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_ && !event->spontaneous() && parentWidget() != nullptr) {
        placed_ = true;
        PlacedForm window(this);
        PlaceFormBeside(window, PlacedForm(parentWidget()), true);
    }
}

}  // namespace kestro
