// The fixture of the forms tests: the application initialised, every standard exception
// message recorded instead of shown, and the modal hook cleared after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/application.h"

namespace formstest {

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    forms::Application& app = forms::Application::Instance();
    app.Initialize();
    app.Title = "Forms test";
    app.OnException = [this](const std::string& text) { exceptions.push_back(text); };
  }
  void TearDown() override {
    forms::Application& app = forms::Application::Instance();
    app.ProcessMessages();
    app.SetModalHook(nullptr);
    app.OnException = nullptr;
  }
  std::vector<std::string> exceptions;
};

}  // namespace formstest
