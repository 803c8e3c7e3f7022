#include "windowing.h"

#import <AppKit/AppKit.h>

namespace platform {

void setAccessoryActivationPolicy()
{
    [[NSApplication sharedApplication] setActivationPolicy:NSApplicationActivationPolicyAccessory];
}

void setRegularActivationPolicy()
{
    NSApplication* application = [NSApplication sharedApplication];
    if (application.activationPolicy == NSApplicationActivationPolicyRegular) {
        return;
    }
    [application setActivationPolicy:NSApplicationActivationPolicyRegular];
    // A process that was an accessory is not active: without this its window may open behind others.
    [application activateIgnoringOtherApps:YES];
}

// The window's dynamic property says which style it has, as on the simulated Mac, so the screens and
// their tests read the same on both.
void setTitleBarTransparent(QWidget* window, bool transparent)
{
    window->setProperty("titleBarTransparent", transparent);
    @autoreleasepool {
        // The native handle of a top-level widget is the content view of its NSWindow.
        NSView* view = (__bridge NSView*)reinterpret_cast<void*>(window->window()->winId());
        NSWindow* nsWindow = view.window;
        if (!nsWindow) {
            return;
        }
        nsWindow.titleVisibility = transparent ? NSWindowTitleHidden : NSWindowTitleVisible;
        nsWindow.titlebarAppearsTransparent = transparent;
        if (transparent) {
            nsWindow.styleMask |= NSWindowStyleMaskFullSizeContentView;
        } else {
            nsWindow.styleMask &= ~NSWindowStyleMaskFullSizeContentView;
        }
    }
}

} // namespace platform
