// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

namespace ui {

// The window layouts are given in twips: 15 twips to the pixel at 96 dots per inch.
// Qt's logical pixels then scale them on high-density screens.
constexpr int kTwipsPerPixel = 15;

constexpr int fromTwips(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr QRect rectFromTwips(int left, int top, int width, int height)
{
    return QRect(fromTwips(left), fromTwips(top), fromTwips(width), fromTwips(height));
}

} // namespace ui
