// An emulated bay made from bay.ini text and installed for the lifetime of the fixture.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "emu/bay.h"
#include "platform/backend.h"

namespace testing_support {

class InstalledBay {
  public:
    explicit InstalledBay(const std::string& ini, const emu::DriveParts& parts = emu::DefaultDriveParts()) {
        std::string error;
        auto config = emu::ParseBayConfig(ini, &error);
        EXPECT_TRUE(config.has_value()) << error;
        if (config) bay_ = emu::Bay::Create(std::move(*config), parts);
        if (bay_) platform::InstallBackend("emu:", bay_, true);
    }
    emu::Bay& operator*() const { return *bay_; }
    emu::Bay* operator->() const { return bay_.get(); }

  private:
    platform::ScopedBackends keep_;
    std::shared_ptr<emu::Bay> bay_;
};

}  // namespace testing_support
