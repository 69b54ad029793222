// The settings dialog's design, the same for every face: its size and the
// event rows with their pixel positions. Rows sit in the group box; their
// positions are relative to it.
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
