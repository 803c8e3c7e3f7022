#include "windowing.h"

namespace platform {

// Window managers other than the Mac's draw their own title bars; the simulated Mac keeps the
// choice on the window, where the screens and their tests can read it.
void setTitleBarTransparent(QWidget* window, bool transparent)
{
    window->setProperty("titleBarTransparent", transparent);
}

} // namespace platform
