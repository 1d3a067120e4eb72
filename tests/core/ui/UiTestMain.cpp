#include <gtest/gtest.h>

#include "core/ui/Application.h"

// The windows need one application object for the whole run, on the offscreen platform
// unless the environment chooses another.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    lumexa::core::ui::TApplication application(argc, argv);
    lumexa::core::ui::TApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
