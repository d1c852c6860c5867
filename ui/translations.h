// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace ui {

// Qt's own French texts (context menus of the text boxes, standard buttons and
// dialogs). Returns false when the translation is not installed; the program then
// runs with Qt's English texts.
bool installFrenchQtTranslation(QCoreApplication &app);

} // namespace ui
