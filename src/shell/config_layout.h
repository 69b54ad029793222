// The settings dialog's design, the same for every face: its caption and
// labels, its size, and every control's rectangle in pixels at 96 dots per
// inch. Rows sit in the group box; their positions are relative to it.
#pragma once

#include <array>

#include "settings/settings.h"

namespace kestro {

// One event row of the dialog, top to bottom.
struct ConfigDialogRow {
    SoundEvent event;
    int top;              // of the check box, in the group box
    const char* caption;  // UTF-8
};
inline constexpr int kConfigDialogRowCount = 11;
inline constexpr std::array<ConfigDialogRow, kConfigDialogRowCount> kConfigDialogRows = {{
    {SoundEvent::ServerMessage, 20, "天の声が流れたとき"},
    {SoundEvent::ServerMessageRace, 57, "レース関連アナウンス(一部)が流れたとき"},
    {SoundEvent::RaceStartWaitAcceptingS, 102, "単勝受付開始予告"},
    {SoundEvent::RaceAcceptingS, 139, "単勝受付開始～受付中"},
    {SoundEvent::RaceStartWaitAcceptingD, 182, "複勝受付開始予告"},
    {SoundEvent::RaceAcceptingD, 220, "複勝受付開始～受付中"},
    {SoundEvent::RaceStart, 262, "発走"},
    {SoundEvent::ResultWin, 299, "当選"},
    {SoundEvent::ResultDefeat, 335, "外れ"},
    {SoundEvent::ResultNeedCheck, 371, "確認要求"},
    {SoundEvent::ServerMessageGodEquip, 417, "神器クエストアナウンスが流れたとき (未チェック)"},
}};

namespace config_layout {
// A control's rectangle in the dialog's client area (or, for a row, in the group box).
struct Rect {
    int left;
    int top;
    int width;
    int height;
};
inline constexpr const char* kCaption = "設定 - Kestro";
inline constexpr const char* kAdapterLabel = "ﾈｯﾄﾜｰｸｲﾝﾀﾌｪｰｽ";
inline constexpr const char* kSoundEnabledCaption = "イベント発生時に音を鳴らす";
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kCancelCaption = "&Cancel";

constexpr Rect kAdapterLabelRect{4, 4, 96, 14};
constexpr Rect kAdapterBox{102, 0, 247, 20};
// 165 fits the caption in the designed face.
constexpr Rect kSoundEnabledRect{20, 24, 165, 17};
// The test button, in the group box.
constexpr Rect kTestButton{304, 9, 20, 20};
constexpr Rect kOkButton{180, 496, 75, 25};
constexpr Rect kCancelButton{264, 496, 75, 25};
constexpr int kClientWidth = 356;
constexpr int kClientHeight = 524;
constexpr int kLeft = 296;
constexpr int kTop = 217;
constexpr int kRowCheckLeft = 24;
constexpr int kRowEditLeft = 44;
constexpr int kRowEditOffset = 16;
constexpr int kRowEditWidth = 277;
constexpr int kRowEditHeight = 20;
constexpr int kCheckHeight = 17;
constexpr int kGroupLeft = 12;
constexpr int kGroupTop = 28;
constexpr int kGroupWidth = 329;
constexpr int kGroupHeight = 461;
}  // namespace config_layout

}  // namespace kestro
