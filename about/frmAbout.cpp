#include "frmAbout.h"

#include "SystemInfoLauncher.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

const QString frmAbout::ProgramTitle = QStringLiteral("TESK");

QString frmAbout::versionText()
{
    return QStringLiteral("Version ") + QStringLiteral(TESK_VERSION_TEXT);
}

frmAbout::frmAbout(const SystemInfoLauncher &launcher, const QString &programFolder,
                   QWidget *parent)
    : QDialog(parent), m_launcher(launcher)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + ProgramTitle);
    m_showMessage = messageBoxHook(this);

    auto makeLabel = [this](const QString &name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(name);
        label->setWordWrap(true);
        return label;
    };
    picIcon = makeLabel(QStringLiteral("picIcon"), {});
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    picIcon->setPixmap(icon.pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop);
    lblTitle = makeLabel(QStringLiteral("lblTitle"), ProgramTitle);
    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = makeLabel(QStringLiteral("lblVersion"), versionText());
    lblDescription = makeLabel(QStringLiteral("lblDescription"), {});
    lblProgramFolder =
        makeLabel(QStringLiteral("lblProgramFolder"),
                  tr("Program folder: %1").arg(QDir::toNativeSeparators(programFolder)));
    lblProgramFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDisclaimer = makeLabel(
        QStringLiteral("lblDisclaimer"),
        tr("Warning: the readings shown by this program are copies for information and record "
           "keeping. The survey meter itself remains the reference: check its display before "
           "acting on a reading, and do not rely on this program's alarms for personal "
           "protection."));

    // Two lines, one below the other, make an engraved separator.
    auto makeLine = [this](const QString &name, QFrame::Shadow shadow) {
        auto *line = new QFrame(this);
        line->setObjectName(name);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(shadow);
        return line;
    };
    Line1 = {makeLine(QStringLiteral("Line1"), QFrame::Sunken),
             makeLine(QStringLiteral("Line1"), QFrame::Raised)};

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);

    auto *texts = new QVBoxLayout;
    texts->addWidget(lblTitle);
    texts->addWidget(lblVersion);
    texts->addWidget(lblDescription);
    texts->addWidget(lblProgramFolder);
    auto *head = new QHBoxLayout;
    head->addWidget(picIcon);
    head->addLayout(texts, 1);
    auto *lines = new QVBoxLayout;
    lines->setSpacing(0);
    for (QFrame *line : Line1)
        lines->addWidget(line);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    auto *foot = new QHBoxLayout;
    foot->addWidget(lblDisclaimer, 1);
    foot->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(lines);
    layout->addLayout(foot);
    setMinimumWidth(440);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::startSystemInfo);
}

void frmAbout::setDescription(const QString &text)
{
    lblDescription->setText(text);
}

void frmAbout::startSystemInfo()
{
    const SystemInfoLauncher::Result result = m_launcher.StartSysInfo();
    if (!result.started)
        m_showMessage(QMessageBox::NoIcon, ProgramTitle, result.message);
}
