// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace ui {

// The program's own icon, in every size it ships.
QIcon appIcon();

} // namespace ui
