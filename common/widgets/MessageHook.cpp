#include "MessageHook.h"

MessageHook messageBoxHook(QWidget *owner)
{
    return [owner](QMessageBox::Icon icon, const QString &title, const QString &text) {
        QMessageBox(icon, title, text, QMessageBox::Ok, owner).exec();
    };
}
