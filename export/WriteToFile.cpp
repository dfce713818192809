#include "WriteToFile.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

ListSaver::Services withBusyCursor(ListSaver::Services services)
{
    services.busy = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    return services;
}

template<typename T> T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

WriteToFile::WriteToFile(const ListSaver::Services &services, QWidget *parent)
    : QDialog(parent), m_saver(withBusyCursor(services))
{
    setObjectName(QStringLiteral("WriteToFile"));
    setWindowTitle(QStringLiteral("Save to file"));

    Label1 = named(new QLabel(QStringLiteral("File Name:"), this), QStringLiteral("Label1"));
    edFileName = named(new QLineEdit(QStringLiteral("data"), this), QStringLiteral("edFileName"));
    edFileName->setMinimumWidth(edFileName->fontMetrics().horizontalAdvance(QChar(u'M')) * 18);
    btSaveExcel = named(new QCheckBox(QStringLiteral("Save In Excel File"), this),
                        QStringLiteral("btSaveExcel"));
    chkCloseExel = named(new QCheckBox(QStringLiteral("Open Excel after save"), this),
                         QStringLiteral("chkCloseExel"));
    chkCloseExel->setToolTip(
        QStringLiteral("Show Excel after writing the data  for further use or close it ."));
    chkReport = named(new QCheckBox(QStringLiteral("Save report (PDF)"), this),
                      QStringLiteral("chkReport"));
    chkReport->setToolTip(QStringLiteral("Write the survey report beside the text files."));
    btWrite = named(new QPushButton(QStringLiteral("&Save"), this), QStringLiteral("btWrite"));
    btWrite->setToolTip(QStringLiteral("write data in ascii and excel file"));
    btWrite->setDefault(true);
    btMacro = named(new QPushButton(QStringLiteral("Run Macro"), this), QStringLiteral("btMacro"));
    btMacro->setToolTip(
        QStringLiteral("runs a macro 'Template.xls', you can edit it in any stage."));
    btCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), QStringLiteral("btCancel"));

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edFileName, 0, 1);
    grid->addWidget(btSaveExcel, 1, 1);
    grid->addWidget(chkReport, 1, 2);
    grid->addWidget(chkCloseExel, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btWrite);
    buttons->addWidget(btMacro);
    buttons->addWidget(btCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    m_saver.load();
    edFileName->setText(m_saver.edFileName);
    chkCloseExel->setChecked(m_saver.openExcelTicked);
    chkReport->setChecked(m_saver.reportTicked);
    connectControls();
}

void WriteToFile::connectControls()
{
    connect(btSaveExcel, &QCheckBox::clicked, chkCloseExel, &QWidget::setVisible);
    connect(chkCloseExel, &QCheckBox::clicked, this,
            [this](bool ticked) { m_saver.openExcelChanged(ticked); });
    connect(chkReport, &QCheckBox::clicked, this,
            [this](bool ticked) { m_saver.reportChanged(ticked); });
    connect(btWrite, &QPushButton::clicked, this, [this] {
        finish(m_saver.save(edFileName->text(), btSaveExcel->isChecked(), chkCloseExel->isChecked(),
                            chkReport->isChecked()));
    });
    connect(btMacro, &QPushButton::clicked, this,
            [this] { finish(m_saver.runMacro(edFileName->text(), chkCloseExel->isChecked())); });
    connect(btCancel, &QPushButton::clicked, this, [this] {
        m_saver.ReturnCode = 2;
        reject();
    });
}

void WriteToFile::finish(ListSaver::Next next)
{
    if (next == ListSaver::Next::Close)
        accept();
}

void WriteToFile::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    WindowPlacement::centreOnScreen(*this);
}
