#pragma once

class QWidget;

// Where the program's dialogs open.
class WindowPlacement
{
public:
    // Centres the window, frame included, on the free area of its parent's
    // screen (the primary screen when it has no parent).
    static void centreOnScreen(QWidget &window);
};
