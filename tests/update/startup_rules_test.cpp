#include <gtest/gtest.h>

#include "config.h"
#include "update_defs.h"

using namespace upd;

TEST(StartupConfig, MissingAndFalsifiedFileEndTheRunWithAnErrorBox) {
    EXPECT_TRUE(fwu::JudgeConfig(true, true, kConfigRefusal).proceed);
    const fwu::ConfigVerdict missing = fwu::JudgeConfig(false, true, kConfigRefusal);
    EXPECT_FALSE(missing.proceed);
    EXPECT_EQ(missing.exitCode, 2u);
    EXPECT_STREQ(missing.message, L"Ini file is not found.");
    EXPECT_TRUE(missing.errorIcon);  // unlike the dialog tools' plain box
    EXPECT_STREQ(missing.logLine, L"error - ini file not found.");
    const fwu::ConfigVerdict falsified = fwu::JudgeConfig(true, false, kConfigRefusal);
    EXPECT_FALSE(falsified.proceed);
    EXPECT_EQ(falsified.exitCode, 3u);
    EXPECT_STREQ(falsified.message, L"Falsify ini file.");
    EXPECT_TRUE(falsified.errorIcon);
    EXPECT_STREQ(falsified.logLine, L"error - falsify ini file.");
}
