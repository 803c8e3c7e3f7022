#pragma once

class Storyboard;

// Registers every screen and window of the application without web pages under its identifier.
void registerApplicationScreens(Storyboard& storyboard);
