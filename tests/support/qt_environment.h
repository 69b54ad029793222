// One QApplication for a whole test program of Qt widgets, made before the
// first test and destroyed after the last, inside gtest's lifetime.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace kestro::test {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "kestro-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace kestro::test
