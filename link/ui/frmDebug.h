#pragma once

#include "MessageHook.h"

#include <QDateTime>
#include <QDialog>
#include <QMessageBox>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TraceLog;

// The communication trace window: the trace lines and the link's error
// counters. It is created hidden at start-up and shown on request, not modal;
// while it is shown the link traces what it sends and receives.
class frmDebug : public QDialog
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    static const QString TraceFileName;

    // The log must outlive the window. Save writes the trace file into programFolder.
    frmDebug(TraceLog &log, QString programFolder, Clock clock, QWidget *parent = nullptr);

    void setMessageHook(MessageHook hook) { m_showMessage = std::move(hook); }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showCounters(qint16 errorCount, qint16 totalErrors);
    void save();

    TraceLog &m_log;
    QString m_programFolder;
    Clock m_clock;
    MessageHook m_showMessage;
    QListWidget *List1 = nullptr;
    QCheckBox *chkShowAll = nullptr;
    QLabel *lblErrCount = nullptr;
    QLineEdit *edErrCount = nullptr;
    QLabel *lblTotalErrors = nullptr;
    QLineEdit *edTotalErrors = nullptr;
    QPushButton *btClear = nullptr;
    QPushButton *btSave = nullptr;
};
