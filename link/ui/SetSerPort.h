#pragma once

#include "MessageHook.h"
#include "MeterFinder.h"

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
class QTableWidget;
class QTableWidgetItem;

// The port dialog: COM1 to COM4, each with the device it opens. OK reopens the
// line on the chosen port and closes; when the port cannot be opened the
// dialog says why and stays open. Find Meter tries every serial device and
// lists what each did, device beside verdict; clicking a device where the meter answered puts it
// under the chosen port.
class SetSerPort : public QDialog
{
    Q_OBJECT

public:
    explicit SetSerPort(PortSelection &selection, QWidget *parent = nullptr);

    void setMessageHook(MessageHook hook) { m_showMessage = std::move(hook); }
    // The device the program has open, left out of the search, and whether the meter answers there.
    void setOwnDevice(const QString &path, bool answering);
    MeterFinder &finder() { return *m_finder; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void confirm();
    void cancel();
    void showPending();
    void findMeter();
    void showFound(const MeterFinder::Result &result);
    void useFoundDevice(QTableWidgetItem *item);

    PortSelection &m_selection;
    MessageHook m_showMessage;
    QGroupBox *fraPort = nullptr;
    QButtonGroup *m_options = nullptr;
    std::array<QRadioButton *, 4> Option{};
    std::array<QComboBox *, 4> cboDevice{};
    QPushButton *OK = nullptr;
    QPushButton *CANCEL = nullptr;
    QPushButton *btFindMeter = nullptr;
    QTableWidget *lstFound = nullptr;
    MeterFinder *m_finder = nullptr;
    static constexpr int FoundWidth = 560; // pixels of the results at least
    static constexpr int FoundHeight = 160;
};
