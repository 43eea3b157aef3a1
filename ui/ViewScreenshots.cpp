#include "ui/ViewScreenshots.h"

#include "model/ORVAError.h"
#include "ui/QtText.h"
#include "ui/UfrmShowcell.h"
#include "ui/UfrmStatexport.h"
#include "ui/UfrmTextexport.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace orva::ui::shots {

namespace {

void OpenDemo(TShotContext& context)
{
    context.Window.OpenFile(context.DemoPath);
    if (!context.Window.CurrentFile)
        throw EORVAError(TextToNative(context.DemoPath), "The demo file did not open");
}

template <class TWindow> TWindow* Opened(TShotContext& context, const char* what)
{
    auto* window = context.Window.findChild<TWindow*>();
    if (!window)
        throw EORVAError(TextToNative(context.DemoPath), std::string("The ") + what + " window did not open");
    return window;
}

} // namespace

void CellGraphShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miViewChannelgraphClick();
    auto* graph = Opened<TfrmShowcell>(context, "cell graph");
    // The plot spans +-450 uV; a larger window and a channel with a strong late wave (target
    // cell) show the few microvolts of the demo waveform best.
    graph->seCell->setValue(2);
    graph->seChan->setValue(std::min(graph->seChan->maximum(), 20));
    graph->seYgrid->setValue(20);
    auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    if (sub)
        sub->resize(720, 460);
    SaveShot(context, sub ? static_cast<QWidget*>(sub) : graph, QStringLiteral("cell-graph"));
}

void TextExportShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miFileToTextClick();
    SaveShot(context, Opened<TfrmTextexport>(context, "text export"), QStringLiteral("text-export"));
}

void StatsExportShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miFileToStatsClick();
    auto* stats = Opened<TfrmStatexport>(context, "stats export");
    stats->btnAllChannelsClick();
    SaveShot(context, stats, QStringLiteral("stats-export"));
}

} // namespace orva::ui::shots
