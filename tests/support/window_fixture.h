// The fixture of the window tests: a data folder of our own, a panel model
// started from it and its window, shown.
#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/gui_support.h"
#include "trainer/panel_model.h"
#include "ui/main_window.h"

namespace scmp::test {

class PanelWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
    window = std::make_unique<PanelWindow>(model);
    window->show();
  }

  DataFolder data;
  PanelModel model;
  std::unique_ptr<PanelWindow> window;
};

}  // namespace scmp::test
