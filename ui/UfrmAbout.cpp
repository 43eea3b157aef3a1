#include "ui/UfrmAbout.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orva::ui {

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("About ORVA Toolbox"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel1");
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    lblVersion = new QLabel(panel);
    lblVersion->setObjectName("lblVersion");
    lblContact = new QLabel(QStringLiteral("Contact: ") + QLatin1String(kContactAddress), panel);
    lblContact->setObjectName("lblContact");
    lblContact->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(lblVersion);
    panelLayout->addWidget(lblContact);

    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName("btnClose");
    // Default button: Enter presses it. Escape rejects the dialog, which closes it as well.
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(btnClose, 0, Qt::AlignHCenter);
    FormCreate();
    // A single, fixed border: the box keeps the size its contents need (at least 201 x 91).
    setMinimumSize(201, 91);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::FormCreate()
{
    lblVersion->setText(QStringLiteral("Version: 3-sept-2002"));
}

} // namespace orva::ui
