// One application object for every test of a Qt test program (widgets need it; the tests run
// on the offscreen platform): the form kit's, as the program has. Listed among the program's
// sources.
#include <gtest/gtest.h>

#include "platform/ui/Handlers.h"

#include <QApplication>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "bvr-test";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) app_ = new platform::ui::Application(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
