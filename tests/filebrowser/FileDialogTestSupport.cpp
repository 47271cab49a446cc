// Set-up of the file-browser test run: the module (resources, application
// title) and the device services for the test thread.
#include <gtest/gtest.h>

#include "device/DeviceShell.h"
#include "shell/AppModule.h"

namespace {

class FileBrowserEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        brevitex::Module().Init(GetModuleHandleW(nullptr));
        brevitex::DeviceAttachThread();
    }
    void TearDown() override { brevitex::DeviceDetachThread(); }
};

[[maybe_unused]] auto* const g_environment = ::testing::AddGlobalTestEnvironment(new FileBrowserEnvironment);

}  // namespace
