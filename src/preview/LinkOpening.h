#pragma once
#include "platform/Alerts.h"

#include <QUrl>
#include <functional>

namespace qv {

struct PlatformServices;

// The one rule for opening a link the user picked (the preview's "Open in Browser", the link
// preview's address, the card menu's "Open URL", the library): web pages and e-mail addresses
// (http, https, mailto) open at once; any other scheme (a local file that may be a script, ssh,
// an application's own scheme) opens only after the user agreed to an alert that names the
// address. The alert comes on a later turn of the event loop, never inside the click or menu
// handler that asked.
bool opensWithoutAsking(const QUrl& url);

// The question asked before opening `url`: "Open" (first, rightmost) or "Cancel" (Return and
// Escape).
AlertSpec openLinkAlert(const QUrl& url);

// Opens `url` by the rule above through the workspace. An empty or invalid URL opens nothing.
void openLink(PlatformServices& services, const QUrl& url);
// The same as an action to keep (a menu row's): it holds the services it needs weakly.
std::function<void(const QUrl&)> linkOpener(PlatformServices& services);

}  // namespace qv
