#pragma once

#include "MessageHook.h"

#include <QDialog>
#include <QMessageBox>

#include <array>
#include <functional>

class PortSelection;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The port dialog: COM1 to COM4, each with the device it opens. OK reopens the
// line on the chosen port and closes; when the port cannot be opened the
// dialog says why and stays open.
class SetSerPort : public QDialog
{
    Q_OBJECT

public:
    explicit SetSerPort(PortSelection &selection, QWidget *parent = nullptr);

    void setMessageHook(MessageHook hook) { m_showMessage = std::move(hook); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void confirm();
    void cancel();
    void showPending();

    PortSelection &m_selection;
    MessageHook m_showMessage;
    QGroupBox *fraPort = nullptr;
    QButtonGroup *m_options = nullptr;
    std::array<QRadioButton *, 4> Option{};
    std::array<QComboBox *, 4> cboDevice{};
    QPushButton *OK = nullptr;
    QPushButton *CANCEL = nullptr;
};
