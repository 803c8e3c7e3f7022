#pragma once

class CustomWindow;

// Puts the home screen in `window` at the size it is made for, with the title bar over the content:
// the same window whichever way the user arrives (sign-in, sign-up, the PIN at start, a start already
// signed in). Nothing changes without a window or a home screen.
void showHomeScreen(CustomWindow* window);
