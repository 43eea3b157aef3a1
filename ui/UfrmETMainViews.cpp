// The main window's commands that open the view and export windows.
#include "ui/UfrmETMain.h"
#include "ui/UfrmArtifacts.h"
#include "ui/UfrmClusterTest.h"
#include "ui/UfrmQuality.h"

#include "ui/UfrmMeasure.h"
#include "ui/UfrmShowcell.h"
#include "ui/UfrmStatexport.h"
#include "ui/UfrmTextexport.h"

#include <QComboBox>

namespace orva::ui {

namespace {

// The export windows are top-level windows of their own, owned by the main window, and
// live until they are closed; each one is bound to the document open at its creation.
template <class TWindow> void OpenExportWindow(TfrmETMain& main, const std::shared_ptr<TORVAFile>& file)
{
    auto* window = new TWindow(main.Dialogs(), &main);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->SetFile(file);
    window->show();
}

} // namespace

void TfrmETMain::miFileToTextClick()
{
    if (CurrentFile)
        OpenExportWindow<TfrmTextexport>(*this, CurrentFile);
}

void TfrmETMain::miFileToStatsClick()
{
    if (CurrentFile)
        OpenExportWindow<TfrmStatexport>(*this, CurrentFile);
}

void TfrmETMain::miToolsMeasureClick()
{
    if (CurrentFile)
        OpenExportWindow<TfrmMeasure>(*this, CurrentFile);
}

void TfrmETMain::miToolsQualityClick()
{
    if (CurrentFile)
        OpenExportWindow<TfrmQuality>(*this, CurrentFile);
}

void TfrmETMain::miToolsClusterClick()
{
    if (!CurrentFile)
        return;
    auto* window = new TfrmClusterTest(dialogs_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->SetFile(CurrentFile);
    // The neighbours come from the positions the main window shows, when some are chosen.
    window->edtPositions->setText(PositionsFile);
    window->show();
}

void TfrmETMain::miToolsArtifactsClick()
{
    if (!CurrentFile)
        return;
    auto* window = new TfrmArtifacts(dialogs_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->SetFile(CurrentFile);
    // A trial is looked at in a cell graph of its own with every channel laid over the others.
    window->OnShowTrial = [this, file = std::weak_ptr<TORVAFile>(CurrentFile)](int cell, int observation) {
        auto* graph = new TfrmShowcell(dialogs_);
        graph->SetFile(file);
        graph->seCell->setValue(cell + 1);
        graph->seObs->setValue(observation + 1);
        graph->cbOverlay->setCurrentIndex(graph->cbOverlay->findData(static_cast<int>(plot::TOverlay::Channels)));
        AddChildWindow(graph);
    };
    window->show();
}

void TfrmETMain::miViewChannelgraphClick()
{
    if (!CurrentFile)
        return;
    auto* window = new TfrmShowcell(dialogs_);
    window->SetFile(CurrentFile);
    AddChildWindow(window);
}

} // namespace orva::ui
