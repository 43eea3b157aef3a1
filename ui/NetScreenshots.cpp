// Shots of the windows that know where the sensors sit: the map, the channel values and the
// cluster test.
#include "ui/ViewScreenshots.h"

#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "ui/UfrmChannelValues.h"
#include "ui/UfrmClusterTest.h"
#include "ui/UfrmNet.h"
#include "ui/UfrmShowcell.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace orva::ui::shots {

void NetShot(TShotContext& context)
{
    context.Window.OpenFile(context.DemoPath);
    if (!context.Window.CurrentFile)
        throw EORVAError(plot::TextToNative(context.DemoPath), "The demo file did not open");
    context.Window.UseSensorPositions(QFileInfo(context.DemoPath).absoluteDir().filePath(QStringLiteral("demo.sfp")));
    context.Window.miViewChannelgraphClick();
    auto* graph = context.Window.findChild<TfrmShowcell*>();
    graph->seCell->setValue(2);
    context.Window.miViewNetClick();
    context.Window.miViewChannelvaluesClick();
    auto* net = context.Window.findChild<TfrmNet*>();
    auto* values = context.Window.findChild<TfrmChannelValues*>();
    if (!net || !values)
        throw EORVAError(plot::TextToNative(context.DemoPath), "The map windows did not open");
    context.Window.resize(1000, 640);
    // The graph behind, the map and the values beside each other in front.
    qobject_cast<QMdiSubWindow*>(graph->parentWidget())->setGeometry(0, 0, 520, 300);
    qobject_cast<QMdiSubWindow*>(net->parentWidget())->setGeometry(0, 0, 560, 520);
    qobject_cast<QMdiSubWindow*>(values->parentWidget())->setGeometry(565, 0, 360, 520);
    net->Time->Slider->setValue(175); // 500 ms: the P3
    Settle();
    SaveShot(context, &context.Window, QStringLiteral("net"));
}

void ClusterTestShot(TShotContext& context)
{
    const QDir folder = QFileInfo(context.DemoPath).absoluteDir();
    context.Window.OpenFile(folder.filePath(QStringLiteral("demo-study.ave")));
    if (!context.Window.CurrentFile)
        throw EORVAError(plot::TextToNative(context.DemoPath), "The demo study did not open");
    context.Window.UseSensorPositions(folder.filePath(QStringLiteral("demo.sfp")));
    context.Window.miToolsClusterClick();
    auto* window = context.Window.findChild<TfrmClusterTest*>();
    if (!window)
        throw EORVAError(plot::TextToNative(context.DemoPath), "The cluster test window did not open");
    // Target - Standard, every sign pattern (exact); the P3 cluster is shown as the result
    // comes, its waves at its peak channel.
    window->edtCells->setText(QStringLiteral("2 1"));
    window->btnCompute->click();
    Settle();
    SaveShot(context, window, QStringLiteral("cluster-test"));
    window->close();
}

} // namespace orva::ui::shots
