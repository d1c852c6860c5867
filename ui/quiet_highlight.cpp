// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/quiet_highlight.h"

#include <QAccessible>
#include <QPointer>

namespace ui {

namespace {

QPointer<QObject> quietBox;
QAccessible::UpdateHandler previousHandler = nullptr;
bool installed = false;

QObject *eventObject(QAccessibleEvent *event)
{
    if (event->object())
        return event->object();
    QAccessibleInterface *iface = event->accessibleInterface();
    return iface ? iface->object() : nullptr;
}

void filterEvent(QAccessibleEvent *event)
{
    if (isHeldBack(event))
        return;
    if (previousHandler) {
        previousHandler(event);
        return;
    }
    // With no handler installed, Qt hands the event to the platform's screen reader bridge.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&filterEvent);
}

} // namespace

bool isHeldBack(QAccessibleEvent *event)
{
    switch (event->type()) {
    case QAccessible::TextCaretMoved:
    case QAccessible::TextSelectionChanged:
    // The new correction too: said all at once it would give the answers away.
    case QAccessible::TextInserted:
    case QAccessible::TextRemoved:
    case QAccessible::TextUpdated:
    // The progress is read in the description when asked for, not spoken at each change.
    case QAccessible::DescriptionChanged:
        return quietBox && eventObject(event) == quietBox;
    default:
        return false;
    }
}

void setHighlightQuiet(QObject *box, bool quiet)
{
    if (quiet) {
        quietBox = box;
        if (!installed) {
            previousHandler = QAccessible::installUpdateHandler(&filterEvent);
            installed = true;
        }
    } else if (installed && quietBox == box) {
        quietBox = nullptr;
        QAccessible::installUpdateHandler(previousHandler);
        installed = false;
    }
}

} // namespace ui
