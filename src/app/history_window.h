// The history window: copies the shell's history page into its controls and
// draws the bars. What it shows and in which words is decided by the page
// (shell/history_page.h); the switch hands the user's choice to the shell.
//
// It is laid out to fit a 1024x768 screen with room to spare: the two races
// side by side, the Doubles pairs in columns across the whole width, and the
// latest results in a list that scrolls.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "shell/history_page.h"

namespace kestro {

// Rows of a label, a bar as long as the page says, and the count; in as many
// columns as asked, filled top to bottom.
class THistoryBars : public QWidget {
    Q_OBJECT
public:
    THistoryBars(QWidget* parent, int columns);
    void SetBars(const std::vector<HistoryBar>& bars);
    const std::vector<HistoryBar>& Bars() const { return bars_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int Rows() const;
    int LabelWidth() const;
    int CountWidth() const;

    int columns_;
    std::vector<HistoryBar> bars_;
};

class TfrmZKhistory : public QWidget {
    Q_OBJECT
public:
    // keepChanged, restoreChanged: a switch was set by the user.
    TfrmZKhistory(QWidget* parent, std::function<void(bool)> keepChanged,
                  std::function<void(bool)> restoreChanged);
    // Copies the page in; shows nothing by itself, so that an open window can
    // be brought up to date without being raised.
    void ShowPage(const HistoryPage& page);

    QLabel* FileLine() const { return labFile_; }
    QLabel* Figure(int race, int row, int column) const;
    THistoryBars* Winners(int race) const { return winners_[static_cast<std::size_t>(race)]; }
    THistoryBars* Pairs() const { return pairs_; }
    QListWidget* Latest() const { return lstLatest_; }
    QCheckBox* KeepSwitch() const { return chkKeep_; }
    QCheckBox* RestoreSwitch() const { return chkRestore_; }

protected:
    // The first show puts it beside its parent, the main window; later ones
    // find it where the user left it.
    void showEvent(QShowEvent* event) override;

private:
    static constexpr int kFigureRows = 6;
    std::function<void(bool)> keepChanged_;
    std::function<void(bool)> restoreChanged_;
    QLabel* labFile_ = nullptr;
    std::array<QLabel*, 2> raceTitles_{};
    std::array<std::array<QLabel*, kFigureRows * 3>, 2> figures_{};
    std::array<QLabel*, 2> columnTonight_{};
    std::array<QLabel*, 2> columnAllTime_{};
    std::array<QLabel*, 2> winnersTitles_{};
    std::array<THistoryBars*, 2> winners_{};
    QLabel* pairsTitle_ = nullptr;
    THistoryBars* pairs_ = nullptr;
    QLabel* labNote_ = nullptr;
    QLabel* labLatest_ = nullptr;
    QListWidget* lstLatest_ = nullptr;
    QCheckBox* chkKeep_ = nullptr;
    QCheckBox* chkRestore_ = nullptr;
    bool sized_ = false;
    bool placed_ = false;
};

}  // namespace kestro
