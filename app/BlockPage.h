#pragma once

#include <memory>

class QWidget;

// The block page is the help window over the whole screen. The application and the application-blocking
// screen each watch activations and keep a window for it; a page already showing, whichever owns it, is
// brought to the front instead of a second one opening over it.
void showBlockPage(std::unique_ptr<QWidget>& window);
