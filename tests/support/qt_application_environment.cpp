// One QApplication for every widget test of this executable, on the offscreen platform.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[6] = "tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// Registered before main() runs, so the application exists for every test.
[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(
    new QtApplicationEnvironment);

} // namespace
