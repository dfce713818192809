#include "frmInterval.h"
#include "WindowPlacement.h"

#include "NumberText.h"
#include "OnlineInterval.h"
#include "UpDownControl.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString MinutesTag = QStringLiteral("Minutes");
const QString SecondsTag = QStringLiteral("Seconds");

// A stored part beyond two digits is shown at the bound, so what OK confirms
// is what the meter will be sent.
QString partText(double part)
{
    const double bounded =
        std::isnan(part) ? 0.0
                         : std::clamp(part, 0.0, static_cast<double>(frmInterval::LargestPart));
    return NumberText::atLeastTwoDigits(bounded);
}

int numberIn(const QLineEdit *box)
{
    const double number = NumberText::leadingNumber(box->text());
    return static_cast<int>(std::clamp(number, 0.0, static_cast<double>(frmInterval::LargestPart)));
}

} // namespace

frmInterval::frmInterval(OnlineInterval &interval, QWidget *parent)
    : QDialog(parent), m_interval(interval)
{
    setObjectName(QStringLiteral("frmInterval"));
    setWindowTitle(QStringLiteral("Set Real time "));

    auto makeBox = [this](const QString &name) {
        auto *box = new QLineEdit(this);
        box->setObjectName(name);
        box->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), box));
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        box->installEventFilter(this);
        return box;
    };
    edMinutes = makeBox(QStringLiteral("edMinutes"));
    Label1 = new QLabel(QStringLiteral(":"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    edSeconds = makeBox(QStringLiteral("edSeconds"));
    UpDown1 = new UpDownControl(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(0, LargestPart);
    Label2 = new QLabel(QStringLiteral("Min : Sec  "), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    btOk = new QPushButton(QStringLiteral("OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto *boxes = new QHBoxLayout;
    boxes->addWidget(edMinutes);
    boxes->addWidget(Label1);
    boxes->addWidget(edSeconds);
    boxes->addWidget(UpDown1);
    boxes->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addWidget(Label2);
    layout->addLayout(buttons);
    setTabOrder(edMinutes, edSeconds);

    connect(UpDown1, &UpDownControl::valueChanged, this, &frmInterval::writeUpDownValue);
    connect(edMinutes, &QLineEdit::textEdited, this, [this] { followTyping(edMinutes); });
    connect(edSeconds, &QLineEdit::textEdited, this, [this] { followTyping(edSeconds); });
    connect(btOk, &QPushButton::clicked, this, &frmInterval::confirm);
    connect(btCancel, &QPushButton::clicked, this, &frmInterval::cancel);
}

void frmInterval::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar keeps what the user typed.
    if (event->spontaneous())
        return;
    WindowPlacement::centreOnScreen(*this);
    edMinutes->setText(partText(m_interval.Minutes));
    edSeconds->setText(partText(m_interval.Seconds));
    // The seconds box starts with the focus, so the arrows and the keyboard
    // agree on the box they step.
    serveBox(edSeconds);
    edSeconds->setFocus(Qt::OtherFocusReason);
}

bool frmInterval::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (box && (box == edMinutes || box == edSeconds)) {
        if (event->type() == QEvent::FocusIn) {
            serveBox(box);
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                serveBox(box);
                UpDown1->stepBy(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmInterval::serveBox(QLineEdit *box)
{
    UpDown1->setTag(box == edMinutes ? MinutesTag : SecondsTag);
    // Taking the focus must not rewrite what the box shows.
    const QSignalBlocker quiet(UpDown1);
    UpDown1->setValue(numberIn(box));
}

void frmInterval::followTyping(QLineEdit *box)
{
    // The arrows step from what is typed, not from what the box held on entry.
    if (box == boxOfTag()) {
        const QSignalBlocker quiet(UpDown1);
        UpDown1->setValue(numberIn(box));
    }
}

void frmInterval::writeUpDownValue(int value)
{
    boxOfTag()->setText(NumberText::atLeastTwoDigits(value));
}

QLineEdit *frmInterval::boxOfTag() const
{
    return UpDown1->tag() == MinutesTag ? edMinutes : edSeconds;
}

void frmInterval::confirm()
{
    ReturnCode = 1;
    m_interval.confirm(edMinutes->text(), edSeconds->text());
    accept();
}

void frmInterval::cancel()
{
    ReturnCode = 2;
    reject();
}
