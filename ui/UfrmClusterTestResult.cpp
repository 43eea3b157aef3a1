// The cluster test window's result: the summary, the table of clusters, the figure, the
// chosen cluster's map and waves, and saving the tables and the figure.
#include "ui/UfrmClusterTest.h"

#include "plot/QtText.h"
#include "tools/ClusterTables.h"

#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace orva::ui {
using namespace orva::plot; // the pictures and the text helpers of plot/

namespace {

QTableWidgetItem* Cell(const std::string& text, bool number = true)
{
    auto* item = new QTableWidgetItem(NativeToText(text));
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

void TfrmClusterTest::ShowResult()
{
    const TClusterTestResult& r = scene_->Result;
    QString summary;
    for (const std::string& line : ClusterSummary(r))
        summary += NativeToText(line) + QLatin1Char('\n');
    txtSummary->setPlainText(summary);

    const QStringList header{QStringLiteral("Cluster"),   QStringLiteral("Sign"),     QStringLiteral("Mass"),
                             QStringLiteral("p"),         QStringLiteral("From (ms)"), QStringLiteral("To (ms)"),
                             QStringLiteral("Channels"),  QStringLiteral("Points"),   QStringLiteral("Peak t"),
                             QStringLiteral("Peak channel"), QStringLiteral("Peak (ms)")};
    const QSignalBlocker blockTable(twClusters);
    twClusters->clear();
    twClusters->setColumnCount(static_cast<int>(header.size()));
    twClusters->setHorizontalHeaderLabels(header);
    twClusters->setRowCount(static_cast<int>(r.Clusters.size()));
    const int samples = r.NumSamples();
    for (int k = 0; k < twClusters->rowCount(); ++k) {
        const TCluster& c = r.Clusters[static_cast<std::size_t>(k)];
        const TClusterExtent e = ClusterExtent(r, c);
        const auto at = [&](int s) { return FixedDecimal(r.TimesMs[static_cast<std::size_t>(s)], 3); };
        const std::string cells[] = {std::to_string(k + 1),
                                     c.Sign > 0 ? "positive" : "negative",
                                     FixedDecimal(c.Mass, 6),
                                     FixedDecimal(c.P, 6),
                                     at(e.FirstSample),
                                     at(e.LastSample),
                                     std::to_string(e.Channels.size()),
                                     std::to_string(c.Points.size()),
                                     FixedDecimal(r.T[static_cast<std::size_t>(e.PeakPoint)], 6),
                                     r.ChannelLabels[static_cast<std::size_t>(e.PeakPoint / samples)],
                                     at(e.PeakPoint % samples)};
        for (int col = 0; col < static_cast<int>(header.size()); ++col)
            twClusters->setItem(k, col, Cell(cells[col], col != 1 && col != 9));
    }
    twClusters->resizeColumnsToContents();

    {
        const QSignalBlocker blockChannels(cbChannel);
        cbChannel->clear();
        for (int c = 0; c < r.NumChannels(); ++c)
            cbChannel->addItem(NativeToText(r.ChannelLabels[static_cast<std::size_t>(c)]),
                               r.Channels[static_cast<std::size_t>(c)]);
    }
    lblPicture->setPixmap(QPixmap::fromImage(RenderClusterPicture(*scene_)));
    lblPicture->adjustSize();
    for (QPushButton* save : {btnSaveClusters, btnSavePoints, btnSavePicture})
        save->setEnabled(true);
    shownCluster_ = -1;
    shaded_.reset();
    if (r.Clusters.empty()) {
        lblMap->setText(QStringLiteral("No cluster"));
        ShowTrace();
    } else {
        ShowCluster(0);
    }
}

void TfrmClusterTest::ShowCluster(int cluster)
{
    if (!scene_ || cluster < 0 || cluster >= static_cast<int>(scene_->Result.Clusters.size()))
        return;
    const TClusterTestResult& r = scene_->Result;
    const TCluster& c = r.Clusters[static_cast<std::size_t>(cluster)];
    const TClusterExtent e = ClusterExtent(r, c);
    shownCluster_ = cluster;
    shaded_ = TSampleRange{r.SampleIndices[static_cast<std::size_t>(e.FirstSample)],
                           r.SampleIndices[static_cast<std::size_t>(e.LastSample)], c.Sign};
    {
        const QSignalBlocker blockTable(twClusters);
        twClusters->selectRow(cluster);
        const QSignalBlocker blockChannels(cbChannel);
        cbChannel->setCurrentIndex(e.PeakPoint / r.NumSamples());
    }
    if (scene_->Directions.empty())
        lblMap->setText(QStringLiteral("No map: the test had a neighbours file, not positions"));
    else
        lblMap->setPixmap(QPixmap::fromImage(RenderClusterMap(*scene_, cluster)));
    ShowTrace();
}

int TfrmClusterTest::TraceChannel() const
{
    return cbChannel->currentIndex() < 0 ? -1 : cbChannel->currentData().toInt();
}

void TfrmClusterTest::ShowTrace()
{
    const int channel = TraceChannel();
    if (!scene_ || channel < 0) {
        lblTrace->clear();
        return;
    }
    const auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    for (int cell : cells_)
        if (const auto problem = TraceProblem(*f, cell, 0, channel)) {
            lblTrace->setText(NativeToText(*problem));
            return;
        }
    lblTrace->setPixmap(QPixmap::fromImage(ShadedTracePicture(MeanTraceScene(*f, cells_, channel), shaded_, lblTrace->size())));
}

void TfrmClusterTest::SaveTable(void (*write)(const TClusterTestResult&, TLineSink&), const QString& what)
{
    if (!scene_ || running_)
        return;
    TExportRun run;
    run.Check = [](const TORVAFile&) {};
    run.Write = [this, write](const TORVAFile&, TLineSink& sink) { write(scene_->Result, sink); };
    run.LineEnd = "\n"; // as orva cluster-test writes its tables
    run.What = what;
    run.DialogTitle = QStringLiteral("Save the ") + what.toLower() + QStringLiteral(" as...");
    RunExport(this, dialogs_, document_, run);
}

void TfrmClusterTest::btnSaveClustersClick() { SaveTable(WriteClusterTable, QStringLiteral("Cluster table")); }

void TfrmClusterTest::btnSavePointsClick() { SaveTable(WritePointTable, QStringLiteral("Point table")); }

void TfrmClusterTest::btnSavePictureClick()
{
    if (!scene_ || running_)
        return;
    QString folder;
    {
        const auto f = document_.Lock(this, dialogs_);
        if (!f)
            return;
        folder = DocumentFolder(*f);
    }
    const auto path = dialogs_.GetSaveFileName(this, folder, QStringLiteral("Save the cluster figure as (.png or .svg)..."));
    if (!path) {
        dialogs_.ShowMessage(this, QStringLiteral("Cluster figure not saved"), QStringLiteral("warning"),
                             TMessageIcon::Warning);
        return;
    }
    try {
        SaveClusterPicture(*path, *scene_);
    } catch (const std::exception& e) {
        Error(NativeToText(e.what()));
        return;
    }
    dialogs_.ShowMessage(this, QStringLiteral("Cluster figure saved"), QStringLiteral("warning"),
                         TMessageIcon::Information);
}

} // namespace orva::ui
