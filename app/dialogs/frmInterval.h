#pragma once

#include <QDialog>
#include <QtGlobal>

class OnlineInterval;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDownControl;

// The online interval dialog: minutes and seconds in two boxes that share one
// up-down control. OK stores the interval, Cancel leaves it as it was.
class frmInterval : public QDialog
{
    Q_OBJECT

public:
    // Both parts are limited to two digits: the meter takes exactly two characters of each.
    static constexpr int LargestPart = 99;

    explicit frmInterval(OnlineInterval &interval, QWidget *parent = nullptr);

    // 1 after OK, 2 after Cancel; closing from the title bar leaves it as it was.
    qint32 ReturnCode = 0;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void confirm();
    void cancel();
    void serveBox(QLineEdit *box);
    void writeUpDownValue(int value);
    void followTyping(QLineEdit *box);
    QLineEdit *boxOfTag() const;

    OnlineInterval &m_interval;
    QLineEdit *edMinutes = nullptr;
    QLineEdit *edSeconds = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    UpDownControl *UpDown1 = nullptr;
    QPushButton *btOk = nullptr;
    QPushButton *btCancel = nullptr;
};
