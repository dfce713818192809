#include "MessageBoxPrompt.h"

#include <QMessageBox>
#include <QPushButton>

UserPrompt::Answer MessageBoxPrompt::show(const Message &message)
{
    QMessageBox box(m_parent);
    box.setText(message.text);
    box.setWindowTitle(message.title.isEmpty() ? ProgramTitle : message.title);
    switch (message.icon) {
    case Icon::None:
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (message.buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Left to itself the box takes Escape and its close button for No,
        // which starts a new list; a hidden Cancel takes them instead.
        if (QPushButton *dismissed = box.addButton(QMessageBox::Cancel)) {
            dismissed->hide();
            box.setEscapeButton(dismissed);
        }
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::AbortRetryIgnore:
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return message.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}
