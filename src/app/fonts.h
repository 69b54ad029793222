// The two Japanese faces the windows are designed for, with the Noto CJK
// faces of the Linux desktop behind them so every glyph keeps its pixel size.
#pragma once

#include <QFont>

namespace kestro {

// "ＭＳ Ｐゴシック" and its stand-ins, proportional.
QFont ProportionalFont(int pixelSize);
// "ＭＳ ゴシック" and its stand-ins, fixed pitch.
QFont FixedPitchFont(int pixelSize);

}  // namespace kestro
