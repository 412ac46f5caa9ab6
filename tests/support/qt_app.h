#pragma once
// Gives the tests of one executable the application object that fonts and painting need.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace trassel::testing {

template <class App>
class QtAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            app_ = std::make_unique<App>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[8] = "trassel";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<App> app_;
};

} // namespace trassel::testing
