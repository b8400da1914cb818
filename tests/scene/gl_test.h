// A fresh offscreen OpenGL context for every test, with the process-wide tables as the viewer has them at start-up.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/state.h"
#include "data/data.h"
#include "platform/offscreen.h"

namespace test {

class gl_test : public ::testing::Test {
protected:
    void SetUp() override {
        reset_app_state();
        std::memset(record_table, 0, sizeof record_table);
        for (county_rec& c : county_table) c.value = 0.0f, c.selected = 0;
        std::string why;
        surface_ = offscreen_open(1024, 768, &why);  // the largest view drawn here
        ASSERT_NE(surface_, nullptr) << "no offscreen OpenGL context: " << why;  // Mesa is required
    }
    void TearDown() override { offscreen_close(surface_); }
    offscreen_surface* surface_ = nullptr;
};

}  // namespace test
