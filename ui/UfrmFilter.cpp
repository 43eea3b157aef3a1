#include "ui/UfrmFilter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace orva::ui {

TfrmFilter::TfrmFilter(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Low-pass filtering"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    lblLowfreq = new QLabel(QStringLiteral("cut-off frequency (Hz):"), this);
    lblLowfreq->setObjectName("lblLowfreq");
    edtLowfreq = new QLineEdit(QStringLiteral("20"), this);
    edtLowfreq->setObjectName("edtLowfreq");
    btnFilter = new QPushButton(QStringLiteral("filter"), this);
    btnFilter->setObjectName("btnFilter");
    btnFilter->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);

    PlaceControls();

    setTabOrder(edtLowfreq, btnFilter);
    setTabOrder(btnFilter, btnCancel);
    edtLowfreq->setFocus();
    edtLowfreq->selectAll();

    connect(btnFilter, &QPushButton::clicked, this, &TfrmFilter::btnFilterClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmFilter::btnCancelClick);
}

void TfrmFilter::PlaceControls()
{
    // The designed 196 x 67 layout, widened and heightened where the platform's font needs
    // more room than the designed pixels give, so that no caption is cut off.
    const int labelWidth = std::max(105, lblLowfreq->sizeHint().width());
    const int editLeft = 12 + labelWidth + 7;
    const int filterWidth = std::max(77, btnFilter->sizeHint().width());
    const int cancelWidth = std::max(75, btnCancel->sizeHint().width());
    const int width = std::max({196, editLeft + 65 + 7, 28 + cancelWidth + 9 + filterWidth + 7});
    const int editHeight = std::max(21, edtLowfreq->sizeHint().height());
    const int buttonHeight = std::max(21, btnFilter->sizeHint().height());
    const int buttonTop = std::max(40, 8 + editHeight + 11);
    lblLowfreq->setGeometry(12, 8 + (editHeight - lblLowfreq->sizeHint().height()) / 2, labelWidth,
                            lblLowfreq->sizeHint().height());
    edtLowfreq->setGeometry(editLeft, 8, 65, editHeight);
    btnFilter->setGeometry(width - 7 - filterWidth, buttonTop, filterWidth, buttonHeight);
    btnCancel->setGeometry(width - 7 - filterWidth - 9 - cancelWidth, buttonTop, cancelWidth, buttonHeight);
    setFixedSize(width, std::max(67, buttonTop + buttonHeight + 6));
    move(440, 301); // its designed place on the screen, not centred over the main window
}

QString TfrmFilter::CutoffText() const
{
    return edtLowfreq->text();
}

void TfrmFilter::btnFilterClick()
{
    accept();
}

void TfrmFilter::btnCancelClick()
{
    reject();
}

} // namespace orva::ui
