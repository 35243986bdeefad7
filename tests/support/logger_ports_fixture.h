// The fixture of tests that put simulated loggers on COM numbers: the
// program's state and the fakes start fresh, no COM number reaches a real
// device of this machine (here or in the programs started from here), and
// afterwards the link is closed, the loggers stopped and the mappings restored.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "device/link.h"
#include "device/transfer.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_progress.h"
#include "shell/app_state.h"
#include "support/logger_harness.h"

namespace testsupport {

class LoggerPortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
        fake::resetProgress();
        for (int n = 1; n <= 8; ++n) previous_[n - 1] = mapPort(n, "none");
    }
    void TearDown() override {
        closeLink();
        loggers_.clear();
        for (int n = 1; n <= 8; ++n) mapPort(n, previous_[n - 1]);
        gDeviceWaits = DeviceWaits{};
        resetGlobalStateForTests();
    }

    // A logger started on COM<port>; it runs until the test ends.
    LoggerOnPort& logger(const sim::Options& options, int port) {
        loggers_.push_back(std::make_unique<LoggerOnPort>());
        std::string error;
        EXPECT_TRUE(loggers_.back()->start(options, port, &error)) << error;
        return *loggers_.back();
    }

    std::array<std::string, 8> previous_;
    std::vector<std::unique_ptr<LoggerOnPort>> loggers_;
};

}  // namespace testsupport
