// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace ui {

// The sizes, in points, that the correction's text can be zoomed to (Ctrl++ / Ctrl+-),
// and so the only sizes a remembered zoom may bring back.
inline constexpr qreal kSmallestCorrectionPoints = 6.0;
inline constexpr qreal kLargestCorrectionPoints = 48.0;

} // namespace ui
