#include "ui/Screenshots.h"

#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "ui/UfrmAbout.h"
#include "ui/UfrmBandFilter.h"
#include "ui/UfrmErp.h"
#include "ui/UfrmFilter.h"
#include "ui/UfrmInterpolate.h"
#include "ui/ViewScreenshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QSpinBox>

#include <cstdio>

namespace orva::ui::shots {
using namespace orva::plot; // the cell graph's picture, plot/

QString SaveShot(const TShotContext& context, QWidget* widget, const QString& name)
{
    Settle();
    const QString path = QDir(context.OutDir).filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(path, "PNG"))
        throw EORVAError(TextToNative(path), "Cannot write the picture");
    return path;
}

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void MainWindowShot(TShotContext& context)
{
    context.Window.OpenFile(context.DemoPath);
    if (!context.Window.CurrentFile)
        throw EORVAError(TextToNative(context.DemoPath), "The demo file did not open");
    context.Window.miViewFileheaderClick();
    SaveShot(context, &context.Window, QStringLiteral("main-window"));
}

void FilterDialogShot(TShotContext& context)
{
    TfrmFilter dialog(&context.Window);
    dialog.show();
    SaveShot(context, &dialog, QStringLiteral("filter-dialog"));
}

void BandFilterShot(TShotContext& context)
{
    context.Window.OpenFile(context.DemoPath);
    if (!context.Window.CurrentFile)
        throw EORVAError(TextToNative(context.DemoPath), "The demo file did not open");
    TPreviewStart start;
    start.Cell = 1;
    start.Channel = 19;
    TfrmBandFilter dialog(&context.Window, context.Window.Dialogs(), *context.Window.CurrentFile, start);
    dialog.edtFrequency->setText(QStringLiteral("12"));
    dialog.seOrder->setValue(4);
    dialog.show();
    SaveShot(context, &dialog, QStringLiteral("band-filter"));
}

void AboutBoxShot(TShotContext& context)
{
    TfrmAbout about(&context.Window);
    about.show();
    SaveShot(context, &about, QStringLiteral("about-box"));
}

// Two of the Tools > ERP operations dialogs, as they open on the demo file.
void ErpDifferenceShot(TShotContext& context)
{
    const int cells = context.Window.CurrentFile ? context.Window.CurrentFile->NumCells() : 2;
    TfrmErpDifference dialog(&context.Window, cells);
    dialog.show();
    SaveShot(context, &dialog, QStringLiteral("erp-difference"));
}

void ErpFilesShot(TShotContext& context)
{
    TfrmErpFiles dialog(&context.Window, context.Window.Dialogs(), QString());
    dialog.lstFiles->addItems({QStringLiteral("s01.ave"), QStringLiteral("s02.ave"), QStringLiteral("s03.ave")});
    dialog.show();
    SaveShot(context, &dialog, QStringLiteral("erp-files"));
}

// Interpolate channels, with the demo's positions beside the demo file.
void ErpInterpolateShot(TShotContext& context)
{
    const QString positions = QDir(QFileInfo(context.DemoPath).path()).filePath(QStringLiteral("demo.sfp"));
    TfrmInterpolate dialog(&context.Window, context.Window.Dialogs(), positions, QString());
    dialog.edtChannels->setText(QStringLiteral("7 31"));
    dialog.edtExclude->setText(QStringLiteral("64"));
    dialog.show();
    SaveShot(context, &dialog, QStringLiteral("erp-interpolate"));
}

std::vector<TShot> AllShots()
{
    return {
        {QStringLiteral("main-window"), MainWindowShot},
        {QStringLiteral("filter-dialog"), FilterDialogShot},
        {QStringLiteral("band-filter"), BandFilterShot},
        {QStringLiteral("about-box"), AboutBoxShot},
        {QStringLiteral("cell-graph"), CellGraphShot},
        {QStringLiteral("cell-graph-small"), CellGraphSmallShot},
        {QStringLiteral("cell-graph-fit"), CellGraphFitShot},
        {QStringLiteral("cell-graph-cells"), CellGraphCellsShot},
        {QStringLiteral("cell-graph-channels"), CellGraphChannelsShot},
        {QStringLiteral("cell-graph-clipped"), CellGraphClippedShot},
        {QStringLiteral("picture-size"), PictureSizeShot},
        {QStringLiteral("text-export"), TextExportShot},
        {QStringLiteral("stats-export"), StatsExportShot},
        {QStringLiteral("measure"), MeasureShot},
        {QStringLiteral("measure-areas"), MeasureAreasShot},
        {QStringLiteral("measure-fractional-area"), MeasureFractionalAreaShot},
        {QStringLiteral("measure-fractional-peak"), MeasureFractionalPeakShot},
        {QStringLiteral("net"), NetShot},
        {QStringLiteral("cluster-test"), ClusterTestShot},
        {QStringLiteral("artifacts"), ArtifactsShot},
        {QStringLiteral("artifact-trial"), ArtifactTrialShot},
        {QStringLiteral("erp-difference"), ErpDifferenceShot},
        {QStringLiteral("erp-files"), ErpFilesShot},
        {QStringLiteral("erp-interpolate"), ErpInterpolateShot},
    };
}

void TUnattendedDialogs::ShowMessage(QWidget*, const QString& text, const QString& caption, TMessageIcon)
{
    ++Messages;
    std::fprintf(stderr, "orva-screenshot: %s: %s\n", qPrintable(caption), qPrintable(text));
}

bool TUnattendedDialogs::AskYesNo(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon,
                                  TDefaultAnswer)
{
    ShowMessage(parent, text, caption, icon);
    return false;
}

std::optional<QString> TUnattendedDialogs::GetOpenFileName(QWidget*, const QString&)
{
    return std::nullopt;
}

std::optional<QString> TUnattendedDialogs::GetSaveFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return std::nullopt;
}

} // namespace orva::ui::shots
