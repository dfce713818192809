#include "FormRows.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

QLineEdit *FormRows::addTextBox(QFormLayout &form, QWidget &owner, const QString &labelName,
                                const QString &caption, const QString &boxName)
{
    auto *label = new QLabel(caption, &owner);
    label->setObjectName(labelName);
    auto *box = new QLineEdit(&owner);
    box->setObjectName(boxName);
    label->setBuddy(box);
    form.addRow(label, box);
    return box;
}
