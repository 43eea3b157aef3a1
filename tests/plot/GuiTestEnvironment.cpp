// The pictures draw text, which Qt does only inside an application: one QGuiApplication
// (offscreen unless the caller chose a platform) lives from the first test to the last.
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace orva::test {
namespace {

class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QGuiApplication(argc_, argv_);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[16] = "orva_plot_tests";
    char* argv_[2] = {name_, nullptr};
    QGuiApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

} // namespace
} // namespace orva::test
