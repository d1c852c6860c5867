// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace platform {

// The sound threads raise their priority where the system allows it. A desktop user
// usually may not, so the tests turn the raises off (VIROD_NO_PRIORITY_RAISE=1) to
// measure the program as that user gets it.
inline bool priorityRaisesAllowed()
{
    return qgetenv("VIROD_NO_PRIORITY_RAISE") != "1";
}

} // namespace platform
