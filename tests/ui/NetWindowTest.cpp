// Sensor positions in the desktop program: the remembered choice, the map window (View > Net)
// and the channel values window on one slider, following the cell graph.
#include "MainWindowFixture.h"

#include "model/ORVAFile.h"
#include "ui/UfrmChannelValues.h"
#include "ui/UfrmNet.h"
#include "ui/UfrmShowcell.h"

#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QTableWidget>

#include <fstream>

namespace orva::test {
namespace {

class TNetWindowTest : public TMainWindowTest {
protected:
    void SetUp() override
    {
        QSettings(QStringLiteral("ORVA"), QStringLiteral("ORVA Toolbox")).clear();
        TMainWindowTest::SetUp();
        Positions = WriteText("net.sfp", "E1 0 0 9\nE2 6 0 6\nE3 -6 0 6\nE4 0 6 6\nRef 0 -9 0\n");
    }
    void TearDown() override
    {
        TMainWindowTest::TearDown();
        QSettings(QStringLiteral("ORVA"), QStringLiteral("ORVA Toolbox")).clear();
    }
    QString WriteText(const std::string& name, const std::string& text)
    {
        std::ofstream(Temp.Path(name), std::ios::binary) << text;
        return QString::fromStdString(Temp.Path(name));
    }
    void ChoosePositions(const QString& path)
    {
        Dialogs.OpenNames.push_back(path);
        Choose("miToolsPositions");
    }
    QString Status() const { return Window->findChild<QLabel*>("lblPositions")->text(); }
    template <class TWindow> TWindow* Child() const
    {
        for (QMdiSubWindow* w : Window->MdiArea()->subWindowList())
            if (auto* found = qobject_cast<TWindow*>(w->widget()))
                return found;
        return nullptr;
    }

    QString Positions;
};

TEST_F(TNetWindowTest, ThePositionsAreChosenShownAndRememberedBetweenRuns)
{
    EXPECT_EQ(Status(), QStringLiteral("No sensor positions"));
    OpenViaMenu(WriteAverage("s.ave", 2, 2, 8, 4));
    EXPECT_FALSE(Window->MenuItem("miViewNet")->isEnabled());
    ChoosePositions(Positions);
    EXPECT_EQ(Status(), QStringLiteral("Sensor positions: net.sfp (5)"));
    EXPECT_TRUE(Window->MenuItem("miViewNet")->isEnabled());
    Choose("miFileClose");
    EXPECT_FALSE(Window->MenuItem("miViewNet")->isEnabled());

    // A bad file is refused by name and the earlier choice stays.
    ChoosePositions(WriteText("bad.sfp", "E1 0 0 9\nE2 0 zero 1\n"));
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1);
    EXPECT_TRUE(Dialogs.MessageTexts()[0].contains(QStringLiteral("bad.sfp"))) << Dialogs.MessageTexts()[0].toStdString();
    EXPECT_EQ(Status(), QStringLiteral("Sensor positions: net.sfp (5)"));

    // The next run starts with the same file; one that has gone since is forgotten quietly.
    {
        ui::TfrmETMain next(Dialogs);
        EXPECT_EQ(next.PositionsFile, Positions);
        EXPECT_EQ(next.SensorPositions.size(), 5u);
    }
    std::filesystem::remove(Positions.toStdString());
    ui::TfrmETMain later(Dialogs);
    EXPECT_TRUE(later.PositionsFile.isEmpty());
    EXPECT_EQ(later.findChild<QLabel*>("lblPositions")->text(), QStringLiteral("No sensor positions"));
    EXPECT_EQ(Dialogs.MessageTexts().size(), 1);
}

TEST_F(TNetWindowTest, MapAndValuesFollowOneSliderAndTheCellGraph)
{
    OpenViaMenu(WriteAverage("s.ave", 2, 2, 8, 4));
    ChoosePositions(Positions);
    Choose("miViewChannelgraph");
    auto* graph = Child<ui::TfrmShowcell>();
    ASSERT_NE(graph, nullptr);
    graph->seCell->setValue(2);
    Choose("miViewNet");
    Choose("miViewChannelvalues");
    auto* net = Child<ui::TfrmNet>();
    auto* values = Child<ui::TfrmChannelValues>();
    ASSERT_NE(net, nullptr) << Dialogs.MessageTexts().join("\n").toStdString();
    ASSERT_NE(values, nullptr);

    // Cell 2 of the graph; 8 samples at 250 Hz, the builder's 200 ms baseline before them.
    EXPECT_EQ(net->Time->Slider->maximum(), 7);
    net->Time->Slider->setValue(3);
    EXPECT_EQ(values->Time->Slider->value(), 3);
    EXPECT_EQ(net->windowTitle(), QStringLiteral("Net - Cell 2, obs. 1: -188 ms"));
    EXPECT_EQ(values->Time->lblTime->text(), QStringLiteral("Cell 2, obs. 1: -188 ms"));
    const plot::TScalpMapScene scene = net->Scene();
    ASSERT_EQ(scene.Maps.size(), 1u);
    EXPECT_EQ(scene.Maps[0].Title, "-188 ms");
    EXPECT_EQ(scene.Labels, (std::vector<std::string>{"E1", "E2", "E3", "E4"}));

    // Every channel's value at that moment, as the table shows and copies it.
    const TORVAFile& file = *Window->CurrentFile;
    ASSERT_EQ(values->StringGrid1->rowCount(), 4);
    for (int h = 0; h < 4; ++h) {
        const double uv = CalibratedValue(file, file.Cells[1].Data(0, 3, h), h);
        EXPECT_DOUBLE_EQ(scene.Maps[0].Values[static_cast<std::size_t>(h)], uv);
        EXPECT_EQ(values->StringGrid1->item(h, 2)->text(), QLocale().toString(uv, 'f', 3)) << h;
    }
    values->btnCopyClick();
    const QStringList lines = QApplication::clipboard()->text().split('\n');
    EXPECT_EQ(lines[0], QStringLiteral("Chan.\tName\t\u00B5V"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2\tE2\t"))) << lines[2].toStdString();

    // The graph's observation moves both windows; the sample stays.
    graph->seObs->setValue(2);
    EXPECT_EQ(values->Time->lblTime->text(), QStringLiteral("Cell 2, obs. 2: -188 ms"));
    EXPECT_DOUBLE_EQ(net->Scene().Maps[0].Values[0], CalibratedValue(file, file.Cells[1].Data(1, 3, 0), 0));
    Choose("miFileClose");
    EXPECT_EQ(ChildCount(), 0);
}

TEST_F(TNetWindowTest, SavesTheMapAsPngOrSvgAndRefusesOtherNames)
{
    OpenViaMenu(WriteAverage("s.ave", 1, 1, 8, 3));
    ChoosePositions(Positions);
    Choose("miViewNet");
    auto* net = Child<ui::TfrmNet>();
    ASSERT_NE(net, nullptr) << Dialogs.MessageTexts().join("\n").toStdString();
    net->Time->Slider->setValue(2);
    const QString svg = QString::fromStdString(Temp.Path("map.svg"));
    Dialogs.SaveNames.push_back(svg);
    net->btnSave->click();
    const std::string text = ReadText(svg.toStdString());
    EXPECT_NE(text.find(">-192 ms<"), std::string::npos);
    EXPECT_NE(text.find("viewBox=\"0 0 " + std::to_string(net->Image1->width()) + " "), std::string::npos);
    Dialogs.SaveNames.push_back(QString::fromStdString(Temp.Path("map.bmp")));
    net->btnSave->click();
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1);
    EXPECT_TRUE(Dialogs.MessageTexts()[0].contains(QStringLiteral("PNG or SVG")));
    EXPECT_FALSE(std::filesystem::exists(Temp.Path("map.bmp")));
}

TEST_F(TNetWindowTest, TooFewPlacedChannelsAreToldAndOpenNoWindow)
{
    OpenViaMenu(WriteAverage("s.ave", 1, 1, 8, 3));
    ChoosePositions(WriteText("other.sfp", "Cz 0 0 9\nFz 0 6 6\nE1 6 0 6\n"));
    Choose("miViewNet");
    EXPECT_EQ(ChildCount(), 0);
    ASSERT_EQ(Dialogs.MessageTexts().size(), 1);
    EXPECT_TRUE(Dialogs.MessageTexts()[0].contains(QStringLiteral("at least 3 channels")))
        << Dialogs.MessageTexts()[0].toStdString();
}

} // namespace
} // namespace orva::test
