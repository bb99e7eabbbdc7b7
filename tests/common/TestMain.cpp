#include <gtest/gtest.h>

#include "core/SimpleDispatcher.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    core::SimpleDispatcher dispatcher;
    core::setMainDispatcher(&dispatcher);
    const int rc = RUN_ALL_TESTS();
    core::setMainDispatcher(nullptr);
    return rc;
}
