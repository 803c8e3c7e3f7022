#pragma once

class MainWindowHost;
class Storyboard;

// Registers every screen and window of the application without web pages under its identifier.
// `host` gives the screens the main window; it must outlive the storyboard's use.
void registerApplicationScreens(Storyboard& storyboard, MainWindowHost& host);
