#include "SaveCommand.h"

#include "MainController.h"

SaveCommand::SaveCommand(MainController &controller, std::function<int()> runDialog,
                         QObject *parent)
    : QObject(parent), m_controller(controller), m_runDialog(std::move(runDialog))
{}

void SaveCommand::btWrFile()
{
    m_controller.StopOnline();
    if (m_runDialog() != 1)
        return;
    m_controller.grid().ClearGrid();
    // A reading that arrived while the dialog was open, after the copies were
    // made, is only in the restarted list: that list is kept, not deleted.
    const qint32 late = m_controller.listFile().TotalRecords();
    if (late == 0)
        m_controller.listFile().removeFile(); // closes the channel and deletes the file
    m_controller.graphCommand().hideGraph();
    emit listSaved();
    m_controller.controls().setText(QStringLiteral("edCount"), QString::number(late));
    m_controller.setControls();
}
