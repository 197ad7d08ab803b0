// The Wayland side of the display: whether the session's compositor has
// layer-shell, asked before the toolkit opens its display, and the end of
// the compositor's connection.
#pragma once

namespace plat::gtk {

// Whether WAYLAND_DISPLAY names a compositor that offers layer-shell.
bool CompositorOffersLayerShell();
// On a Wayland display, ends the program as the loss of the X server does
// (session.h) once the compositor closes the connection; the toolkit would
// end it without running the close query.
void WatchCompositorConnection();

}  // namespace plat::gtk
