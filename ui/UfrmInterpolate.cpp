#include "ui/UfrmInterpolate.h"

#include "plot/QtText.h"
#include "select/Selection.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orva::ui {

using namespace orva::plot; // the text helpers of the cell graph's picture, plot/

TfrmInterpolate::TfrmInterpolate(QWidget* parent, TUserDialogs& dialogs, const QString& positions,
                                 const QString& startFolder)
    : TfrmErpDialog(parent, QStringLiteral("Interpolate channels")), dialogs_(dialogs), startFolder_(startFolder)
{
    setObjectName("frmInterpolate");
    edtChannels = new QLineEdit(this);
    edtChannels->setObjectName("edtChannels");
    edtChannels->setPlaceholderText(QStringLiteral("bad channels, such as 7 31"));
    edtExclude = new QLineEdit(this);
    edtExclude->setObjectName("edtExclude");
    edtExclude->setPlaceholderText(QStringLiteral("none, or channels such as EOG"));
    edtPositions = new QLineEdit(positions, this);
    edtPositions->setObjectName("edtPositions");
    edtPositions->setPlaceholderText(QStringLiteral(".sfp or _electrodes.tsv"));
    edtPositions->setMinimumWidth(320);
    btnBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    btnBrowse->setObjectName("btnBrowse");
    auto* positionsRow = new QHBoxLayout;
    positionsRow->addWidget(edtPositions);
    positionsRow->addWidget(btnBrowse);
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    form_->addRow(label(QStringLiteral("&Channels to interpolate:"), edtChannels), edtChannels);
    form_->addRow(label(QStringLiteral("&Leave out:"), edtExclude), edtExclude);
    form_->addRow(label(QStringLiteral("Sensor &positions:"), edtPositions), positionsRow);
    form_->addRow(new QLabel(QStringLiteral("Each channel is replaced by the spherical spline through the channels "
                                            "neither interpolated nor left out."),
                             this));
    connect(btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
}

void TfrmInterpolate::btnBrowseClick()
{
    const QString current = edtPositions->text().trimmed();
    const QString folder = current.isEmpty() ? startFolder_ : QFileInfo(current).path();
    if (const std::optional<QString> path = dialogs_.GetOpenFileName(this, folder))
        edtPositions->setText(QFileInfo(*path).absoluteFilePath());
}

TRead<TInterpolateChoice> TfrmInterpolate::Read() const
{
    TRead<TInterpolateChoice> read;
    TInterpolateChoice choice;
    choice.Channels = ParseSelectionList(TextToNative(edtChannels->text().trimmed()));
    choice.Excluded = ParseSelectionList(TextToNative(edtExclude->text().trimmed()));
    const QString positions = edtPositions->text().trimmed();
    if (choice.Channels.empty())
        read.Problem = QStringLiteral("Give the channels to interpolate.");
    else if (positions.isEmpty())
        read.Problem = QStringLiteral("Choose the sensor positions file.");
    else {
        choice.Positions = TextToPath(positions);
        read.Options = std::move(choice);
    }
    return read;
}

} // namespace orva::ui
