#include "ui/UfrmPictureSize.h"

#include "plot/PlotPicture.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

QSpinBox* SideEdit(QWidget* parent, const char* name, int value)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(1, kMaximumPictureSide);
    spin->setValue(value);
    spin->setSuffix(QStringLiteral(" px"));
    return spin;
}

} // namespace

TfrmPictureSize::TfrmPictureSize(QSize size, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Picture size"));
    seWidth = SideEdit(this, "seWidth", size.width());
    seHeight = SideEdit(this, "seHeight", size.height());
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Width:"), seWidth);
    form->addRow(QStringLiteral("&Height:"), seHeight);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    form->addRow(buttons);
    setFixedSize(sizeHint());

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QSize TfrmPictureSize::ChosenSize() const
{
    return QSize(seWidth->value(), seHeight->value());
}

} // namespace orva::ui
