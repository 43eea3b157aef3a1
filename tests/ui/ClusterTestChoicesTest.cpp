// The cluster test window's fields read into the test's options: the defaults, what each
// field gives, and each refusal naming its field.
#include "ui/ClusterTestChoices.h"

#include <gtest/gtest.h>

#include <functional>

namespace orva::ui {
namespace {

TClusterTestFields Valid()
{
    TClusterTestFields f;
    f.Cells = QStringLiteral("2 1");
    f.Positions = QStringLiteral("/data/demo.sfp");
    f.PThreshold = QStringLiteral("0.05");
    f.Permutations = QStringLiteral("10000");
    f.Seed = QStringLiteral("1");
    return f;
}

TEST(ClusterTestChoices, FieldsGiveTheBatchToolsOptions)
{
    TClusterTestChoices c = ReadClusterTestChoices(Valid());
    ASSERT_TRUE(c.Problem.isEmpty()) << c.Problem.toStdString();
    EXPECT_EQ(c.Input.Cells, (std::vector<int>{1, 0}));
    EXPECT_FALSE(c.Input.WindowStart);
    EXPECT_FALSE(c.Input.Channels) << "empty: every channel";
    EXPECT_EQ(c.Source.Positions, std::filesystem::path("/data/demo.sfp"));
    EXPECT_FALSE(c.Source.NeighboursFile);
    EXPECT_FALSE(c.Options.Threshold);
    EXPECT_EQ(c.Options.PThreshold, 0.05);
    EXPECT_EQ(c.Options.Permutations, 10000);
    EXPECT_EQ(c.Options.Seed, 1u);
    EXPECT_EQ(c.Options.Tail, TClusterTail::Both);
    EXPECT_FALSE(c.Options.Tfce);

    TClusterTestFields f = Valid();
    f.Cells = QStringLiteral(" 3 ");
    f.Window = QStringLiteral("250.5  600");
    f.Channels = QStringLiteral("1 5 64");
    f.Positions.clear();
    f.Neighbours = QStringLiteral("/data/n.txt");
    f.Threshold = QStringLiteral("3.5");
    f.PThreshold.clear();
    f.Tail = TClusterTail::Negative;
    f.Permutations = QStringLiteral("500");
    f.Seed = QStringLiteral("18446744073709551615");
    c = ReadClusterTestChoices(f);
    ASSERT_TRUE(c.Problem.isEmpty()) << c.Problem.toStdString();
    EXPECT_EQ(c.Input.Cells, std::vector<int>{2});
    EXPECT_EQ(c.Input.WindowStart, 250.5);
    EXPECT_EQ(c.Input.WindowEnd, 600);
    EXPECT_EQ(c.Input.Channels, (TSelectionList{0, 4, 63}));
    EXPECT_EQ(c.Source.NeighboursFile, std::filesystem::path("/data/n.txt"));
    EXPECT_FALSE(c.Source.Positions);
    EXPECT_EQ(c.Options.Threshold, 3.5);
    EXPECT_EQ(c.Options.Tail, TClusterTail::Negative);
    EXPECT_EQ(c.Options.Permutations, 500);
    EXPECT_EQ(c.Options.Seed, 18446744073709551615u);

    // TFCE reads no threshold, whatever the (disabled) fields hold; empty fields are defaults.
    f = Valid();
    f.Tfce = true;
    f.Threshold = QStringLiteral("not read");
    f.Permutations.clear();
    f.Seed.clear();
    c = ReadClusterTestChoices(f);
    ASSERT_TRUE(c.Problem.isEmpty()) << c.Problem.toStdString();
    EXPECT_TRUE(c.Options.Tfce);
    EXPECT_FALSE(c.Options.Threshold);
    EXPECT_EQ(c.Options.Permutations, 10000);
    EXPECT_EQ(c.Options.Seed, 1u);
}

TEST(ClusterTestChoices, EachRefusalNamesItsField)
{
    const struct {
        const char* Field;
        std::function<void(TClusterTestFields&)> Spoil;
    } cases[] = {
        {"Cells", [](TClusterTestFields& f) { f.Cells.clear(); }},
        {"Cells", [](TClusterTestFields& f) { f.Cells = QStringLiteral("1 2 3"); }},
        {"Cells", [](TClusterTestFields& f) { f.Cells = QStringLiteral("0 1"); }},
        {"Cells", [](TClusterTestFields& f) { f.Cells = QStringLiteral("2,1"); }},
        {"Window", [](TClusterTestFields& f) { f.Window = QStringLiteral("250"); }},
        {"Window", [](TClusterTestFields& f) { f.Window = QStringLiteral("250 abc"); }},
        {"Window", [](TClusterTestFields& f) { f.Window = QStringLiteral("600 250"); }},
        {"Channels", [](TClusterTestFields& f) { f.Channels = QStringLiteral("1 x"); }},
        {"Channels", [](TClusterTestFields& f) { f.Channels = QStringLiteral("0"); }},
        {"Positions", [](TClusterTestFields& f) { f.Positions = QStringLiteral("  "); }},
        {"Neighbours", [](TClusterTestFields& f) { f.Neighbours = QStringLiteral("/data/n.txt"); }},
        {"Threshold", [](TClusterTestFields& f) { f.Threshold = QStringLiteral("-2"); }},
        {"Threshold", [](TClusterTestFields& f) { f.Threshold = QStringLiteral("3"); }}, // and the p threshold
        {"P threshold", [](TClusterTestFields& f) { f.PThreshold = QStringLiteral("1"); }},
        {"P threshold", [](TClusterTestFields& f) { f.PThreshold = QStringLiteral("five percent"); }},
        {"Permutations", [](TClusterTestFields& f) { f.Permutations = QStringLiteral("0"); }},
        {"Permutations", [](TClusterTestFields& f) { f.Permutations = QStringLiteral("1e4"); }},
        {"Seed", [](TClusterTestFields& f) { f.Seed = QStringLiteral("-1"); }},
    };
    for (const auto& c : cases) {
        TClusterTestFields f = Valid();
        c.Spoil(f);
        const TClusterTestChoices choices = ReadClusterTestChoices(f);
        EXPECT_EQ(choices.Field, QLatin1String(c.Field)) << choices.Problem.toStdString();
        EXPECT_TRUE(choices.Problem.startsWith(QLatin1String(c.Field) + QStringLiteral(": ")))
            << choices.Problem.toStdString();
    }
}

} // namespace
} // namespace orva::ui
