// The keyed INI file and the INI engine edit the same settings file in turn; each keeps the other's lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "forms/ini_file.h"
#include "platform/files.h"
#include "settings/ini_engine.h"

namespace fs = std::filesystem;

namespace {

TEST(IniInterplay, KeyedFileAndEngineTakeTurnsOnOneSettingsFile) {
    const fs::path dir = fs::temp_directory_path() / ("qv_interplay_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "RIVIDO.ini";
    const std::string path = file.string();
    ASSERT_TRUE(platform::WriteWholeFile(file,
                                         "[Setting]\r\n"
                                         "; station 4\r\n"
                                         "TimeOut=300000\r\n"
                                         "LogPath=log\r\n"
                                         "EnCustomizePortMap=0\r\n"
                                         "\r\n"
                                         "[Custom]\r\n"
                                         "Owner=line 2\r\n"));
    IniResetState();

    // The engine saves its whole text first (the settings writers) ...
    IniLoadFile(path.c_str());
    ASSERT_EQ(IniSetInt("Setting", "TimeOut", 240000, path.c_str()), 1);
    ASSERT_EQ(IniSetString("FwSetting", "FwVersion", "AB12", path.c_str()), 1);
    ASSERT_EQ(IniSaveFile(path.c_str()), 1);

    // ... then the window's own keys go through the keyed file: one existing, two new.
    forms::IniFile keyed(file);
    EXPECT_EQ(keyed.ReadInteger("setting", "timeout", 0), 240000);
    EXPECT_EQ(keyed.ReadString("FWSETTING", "fwversion", ""), "AB12");
    ASSERT_TRUE(keyed.WriteInteger("Setting", "EnCustomizePortMap", 1));
    ASSERT_TRUE(keyed.WriteInteger("Setting", "DevicePortMap_7", 65535));
    ASSERT_TRUE(keyed.WriteInteger("TestRecord", "TotalTestCount", 12));

    // The engine reads what the keyed file wrote, changes another key and saves again.
    IniLoadFile(path.c_str());
    EXPECT_EQ(IniGetInt("Setting", "EnCustomizePortMap", 0, path.c_str()), 1);
    EXPECT_EQ(IniGetInt("Setting", "DevicePortMap_7", 0, path.c_str()), 65535);
    EXPECT_EQ(IniGetInt("TestRecord", "TotalTestCount", 0, path.c_str()), 12);
    ASSERT_EQ(IniSetInt("Setting", "TimeOut", 120000, path.c_str()), 1);
    ASSERT_EQ(IniSaveFile(path.c_str()), 1);

    EXPECT_EQ(keyed.ReadInteger("Setting", "TimeOut", 0), 120000);
    EXPECT_EQ(keyed.ReadInteger("Setting", "DevicePortMap_7", 0), 65535);
    EXPECT_EQ(platform::ReadWholeFile(file).value_or(""),
              "[Setting]\r\n"
              "; station 4\r\n"
              "TimeOut=120000\r\n"
              "LogPath=log\r\n"
              "EnCustomizePortMap=1\r\n"
              "DevicePortMap_7=65535\r\n"
              "\r\n"
              "[Custom]\r\n"
              "Owner=line 2\r\n"
              "\r\n"
              "[FwSetting]\r\n"
              "FwVersion=AB12\r\n"
              "\r\n"
              "[TestRecord]\r\n"
              "TotalTestCount=12\r\n");
    IniResetState();
    fs::remove_all(dir);
}

}  // namespace
