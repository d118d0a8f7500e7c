// A fresh registry folder and drive map for every test, and the utility object's debug
// level and program name put back afterwards.
#pragma once

#include "shared/helpers/Utility.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

class ShellTest : public ::testing::Test {
protected:
    testsupport::TempDir dir{"shell"};
    testsupport::ScopedEnv registry{"BREVANT_REGISTRY_DIR", dir / "registry"};
    testsupport::ScopedEnv map{"BREVANT_DRIVE_MAP", dir / "drives.map"};
    helpers::cUtility::Application oldApp = helpers::Utility().App();
    std::int32_t oldLevel = helpers::Utility().DebugLevel();

    void SetUp() override {
        std::filesystem::create_directories(dir / "registry");
        std::filesystem::create_directories(dir / "c");
        testsupport::WriteFile(dir / "drives.map", "C: fixed " + (dir / "c") + "\n");
        helpers::Utility().SetApplication({"LumoEdit", dir.path().string(), ""});
    }
    void TearDown() override {
        helpers::Utility().SetDebugLevel(oldLevel);
        helpers::Utility().SetApplication(oldApp);
    }
};
