#pragma once

#include <QObject>

#include <functional>

class MainController;

// The save command: stops online collection, runs the save dialog and, once
// the list is saved, starts the program's list afresh: counters, grid and
// count at zero, the working list file closed and deleted, the graph hidden.
class SaveCommand : public QObject
{
    Q_OBJECT

public:
    // `runDialog` shows the save dialog modally and returns its ReturnCode.
    SaveCommand(MainController &controller, std::function<int()> runDialog,
                QObject *parent = nullptr);

    void btWrFile();

signals:
    // The list was saved and the working list removed.
    void listSaved();

private:
    MainController &m_controller;
    std::function<int()> m_runDialog;
};
