#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// How a small window shows its own messages; tests replace it to answer the
// box themselves, and the main window routes it through its prompt.
using MessageHook =
    std::function<void(QMessageBox::Icon icon, const QString &title, const QString &text)>;

// A plain message box with an OK button, owned by the window.
MessageHook messageBoxHook(QWidget *owner);
