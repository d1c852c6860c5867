#pragma once

#include <QIcon>

namespace ui {

// The program's own icon, in every size it ships.
QIcon appIcon();

} // namespace ui
