// The "Tools" menu's device tools on emulated drives: erasing the code blocks, the jumps to the boot
// loader and the system firmware, writing a file into the SPI flash, and the window lock around them.
#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <map>

#include "emu/drive_programs.h"
#include "emu/nvme_drive_parts.h"
#include "procedures/V_Proc_GdpLoad.h"
#include "procedures/V_Proc_Modes.h"
#include "support/page_planting.h"
#include "support/station_window.h"

namespace window_test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using forms::BoxKind;

class DeviceTools : public StationWindowTest {
  protected:
    // A window over `drives` emulated drives whose flash and programs the test can reach, enumerated.
    TMainForm& Open(int drives, const std::string& extra = "", const std::map<int, std::string>& own = {}) {
        CloseWindow();
        handles_.clear();
        std::string ini = BayOfHubs(1, drives, extra);
        // Keys of one drive go at the end of its section (its section is the last one, or followed by
        // the next "[Drive").
        for (const auto& [drive, keys] : own) {
            const std::string next = "[Drive" + std::to_string(drive + 2) + "]";
            const std::size_t at = ini.find(next);
            if (at == std::string::npos) {
                ini += keys;
            } else {
                ini.insert(at, keys);
            }
        }
        WriteText(station_ / "bay" / "bay.ini", ini);
        emu::DriveParts parts = emu::NvmeDriveParts();
        parts.makeController = [this](const emu::DriveConfig& d) -> std::shared_ptr<emu::Controller> {
            auto controller = emu::MakeNvmeController(*emu::ReadControllerSetup(d, nullptr));
            emu::DrivePrograms& p = handles_[d.name];
            p = emu::InstallDrivePrograms(controller->Core(), *emu::ReadProgramSetup(d, nullptr));
            controller->AttachSystemFirmware(*p.system);
            cores_[d.name] = &controller->Core();
            return controller;
        };
        std::string error;
        bay_ = emu::Bay::Load(station_ / "bay", &error, parts);
        EXPECT_TRUE(bay_) << error;
        platform::InstallBackend("emu:", bay_, true);
        TMainForm& w = OpenWindow();
        Enumerate();
        return w;
    }
    // Device number d (0-based) and what sits behind it.
    int Port(int d) const { return g_DeviceToPortMap[d]; }
    emu::DrivePrograms& Programs(int d) { return handles_.at(DriveOf(d)); }
    emu::Program Running(int d) { return cores_.at(DriveOf(d))->Running(); }
    std::string DriveOf(int d) const {
        return "Drive" + std::to_string(std::stoi(std::string(AP_Instance[Port(d)].pDevicePath).substr(9)));
    }
    void LoadGdp(int d) {
        ASSERT_TRUE(VP_EnableVendorCmd(Port(d), 1));
        ASSERT_TRUE(VP_LoadGDPFromFile(Port(d), 1, 0));
        ASSERT_EQ(Running(d), emu::Program::Diagnostic);
    }
    fs::path WriteBin(const std::string& name, const Bytes& bytes) {
        const fs::path path = station_ / name;
        WriteText(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& box : ui_.Shown()) texts.push_back(box.text);
        return texts;
    }
    std::vector<std::string> TraceWith(const std::string& fragment) const {
        std::vector<std::string> lines;
        for (const std::string& l : trace_.Lines()) {
            if (l.find(fragment) != std::string::npos) lines.push_back(l);
        }
        return lines;
    }

    std::map<std::string, emu::DrivePrograms> handles_;
    std::map<std::string, emu::ControllerCore*> cores_;
};

Bytes Pattern(std::size_t n, int seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return b;
}

// ---- Program SPI ----

TEST_F(DeviceTools, ProgramSpiWritesTheFileInPaddedPiecesAndReportsOnce) {
    Open(1);
    LoadGdp(0);
    const Bytes file = Pattern(4097, 3);
    ui_.AnswerFile(WriteBin("fw.bin", file).string());
    Window().ProgramSPIClick(Window().ProgramSPI);

    const auto shown = ui_.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, BoxKind::OpenFile);
    EXPECT_EQ(shown[0].text, "BIN file(*.bin)|*.bin");
    EXPECT_EQ(shown[0].defaultText, station_.string());
    EXPECT_EQ(shown[1], (forms::ShownBox{BoxKind::PlainMessage, "", "Download BIN to SPI pass\n"}));
    EXPECT_TRUE(trace_.Contains("######### - asBinFileName is " + (station_ / "fw.bin").string() + "\n"));
    EXPECT_EQ(TraceWith("RemainPage"), std::vector<std::string>{"######### - RemainPage is 2\n"});
    EXPECT_EQ(TraceWith("SpiDstAddrOffset"),
              (std::vector<std::string>{"######### - SpiDstAddrOffset is 0x0000, ReadCnt is 4096\n",
                                        "######### - SpiDstAddrOffset is 0x1000, ReadCnt is 1\n"}));
    emu::SpiFlash& spi = *Programs(0).spi;
    Bytes expected = file;
    expected.resize(8192, 0xFF);
    EXPECT_EQ(spi.Read(0, 8192), expected);
    EXPECT_EQ(spi.Erases(), 1);
    EXPECT_EQ(spi.Programs(), 2);
    Bytes lastPiece(4096, 0xFF);
    lastPiece[0] = file[4096];
    EXPECT_EQ(spi.LastProgramData(), lastPiece);
}

// Every way "Program SPI" fails on one drive: one result box, nothing written past the failure.
TEST_F(DeviceTools, ProgramSpiFailuresOnOneDrive) {
    struct Case {
        const char* name;
        std::string keys;
        bool loadGdp;
        std::optional<Bytes> file;  // nothing: the dialog is cancelled
        std::vector<std::string> texts;
        const char* traced;  // a line the failure traces ("" none)
        int erases, programs;
    } cases[] = {
        {"loader", "", false, Pattern(10, 1), {"Please load GDP first!!", "Download BIN to SPI failed!\n"}, "", 0, 0},
        {"system",
         "Program=system\n",
         false,
         Pattern(10, 1),
         {"Please load GDP first!!", "Download BIN to SPI failed!\n"},
         "",
         0,
         0},
        {"erase fault",
         "SpiFault=erase\n",
         true,
         Pattern(10, 1),
         {"Download BIN to SPI failed!\n"},
         "######### - Error - Erase SPI!\n",
         0,
         0},
        {"program fault at the second piece",
         "SpiFault=program@4096\n",
         true,
         Pattern(3 * 4096, 1),
         {"Download BIN to SPI failed!\n"},
         "######### - SpiDstAddrOffset is 0x1000, ReadCnt is 4096\n",
         1,
         1},
        {"cancelled", "", true, std::nullopt, {"NO SPI BIN SELECT\n"}, "", 0, 0},
        {"empty file", "", true, Bytes{}, {"Download BIN to SPI failed!\n"}, "######### - RemainPage is 0\n", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(1, c.keys);
        if (c.loadGdp) LoadGdp(0);
        ui_.Clear();
        trace_.Clear();
        ui_.AnswerFile(c.file ? std::optional<std::string>(WriteBin("spi.bin", *c.file).string()) : std::nullopt);
        Window().ProgramSPIClick(Window().ProgramSPI);
        std::vector<std::string> texts = Texts();
        texts.erase(texts.begin());  // the file dialog
        EXPECT_EQ(texts, c.texts);
        if (*c.traced != '\0') {
            EXPECT_TRUE(trace_.Contains(c.traced));
        }
        EXPECT_EQ(Programs(0).spi->Erases(), c.erases);
        EXPECT_EQ(Programs(0).spi->Programs(), c.programs);
        EXPECT_TRUE(TraceWith("SpiDstAddrOffset is 0x2000").empty());
    }
    // A file beyond the packet's 32-bit offsets (sparse here) is refused before the flash is erased.
    Open(1);
    LoadGdp(0);
    const fs::path huge = WriteBin("huge.bin", {});
    fs::resize_file(huge, (std::uintmax_t{1} << 32) + 1);
    ui_.Clear();
    ui_.AnswerFile(huge.string());
    Window().ProgramSPIClick(Window().ProgramSPI);
    EXPECT_EQ(Texts().back(), "Download BIN to SPI failed!\n");
    EXPECT_EQ(Programs(0).spi->Erases(), 0);
    fs::remove(huge);
}

TEST_F(DeviceTools, ProgramSpiWithTwoDrivesAsksForTheDeviceNumber) {
    struct Case {
        std::optional<std::string> answer;
        bool firstInGdp;
        bool first, second;
        const char* result;
        const char* traced;
    } cases[] = {
        {"0", true, true, true, "Download BIN to SPI pass\n", "######### - 0\n"},
        {"2", true, false, true, "Download BIN to SPI pass\n", "######### - 2\n"},
        {"17", true, false, false, "Download BIN to SPI failed!\n", "######### - 17\n"},
        {"-2147483648", true, false, false, "Download BIN to SPI failed!\n", "######### - -2147483648\n"},
        {"two", true, false, false, "Download BIN to SPI failed!\n", nullptr},
        {std::nullopt, true, false, false, "Download BIN to SPI failed!\n", nullptr},
        // Every drive stops at the first that fails.
        {"0", false, false, false, "Download BIN to SPI failed!\n", "######### - 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.value_or("cancel"));
        Open(2);
        if (c.firstInGdp) LoadGdp(0);
        LoadGdp(1);
        ui_.Clear();
        trace_.Clear();
        ui_.AnswerFile(WriteBin("spi.bin", Pattern(100, 9)).string());
        ui_.AnswerText(c.answer);
        Window().ProgramSPIClick(Window().ProgramSPI);
        const auto shown = ui_.Shown();
        ASSERT_EQ(shown.size(), c.firstInGdp ? 3u : 4u);
        EXPECT_EQ(shown[1].kind, BoxKind::Input);
        EXPECT_EQ(shown[1].title, "Select device to test");
        EXPECT_EQ(shown[1].text, "Please input port number to write SPI(0 to all):");
        EXPECT_EQ(shown[1].defaultText, "0");
        EXPECT_EQ(shown.back().text, c.result);
        if (c.traced != nullptr) {
            EXPECT_TRUE(trace_.Contains(c.traced));
        }
        EXPECT_EQ(Programs(0).spi->Programs(), c.first ? 1 : 0);
        EXPECT_EQ(Programs(1).spi->Programs(), c.second ? 1 : 0);
    }
}

// ---- Jumps ----

TEST_F(DeviceTools, JumpsLeaveEveryReachableDriveInTheModeAsked) {
    Open(3, "Program=system\nFlashFirmware=system\n");
    std::string error;
    // The first drive answers nothing from now on: it cannot jump, the others still do.
    ASSERT_TRUE(bay_->ScheduleFault(DriveOf(0), "after0:noanswer", &error)) << error;

    Window().JumpToLoaderClick(Window().JumpToLoader);
    EXPECT_EQ(Running(0), emu::Program::System);
    for (int d : {1, 2}) {
        ASSERT_TRUE(VP_EnableVendorCmd(Port(d), 1));
        EXPECT_EQ(VP_GetCurrentMode(Port(d)), kModeLoader) << d;
    }

    Window().JumpToSystemClick(Window().JumpToSystem);
    for (int d : {1, 2}) {
        ASSERT_TRUE(VP_EnableVendorCmd(Port(d), 1));
        EXPECT_EQ(VP_GetCurrentMode(Port(d)), kModeSystem) << d;
    }
    EXPECT_TRUE(ui_.Shown().empty());
}

TEST_F(DeviceTools, ADriveWithNothingToBootStaysInItsLoaderAndTheNextStillJumps) {
    Open(2, "", {{0, "FlashFirmware=none\n"}, {1, "FlashFirmware=system\n"}});
    Window().JumpToSystemClick(Window().JumpToSystem);
    EXPECT_EQ(Running(0), emu::Program::Loader);
    EXPECT_EQ(Running(1), emu::Program::System);
}

TEST_F(DeviceTools, EveryToolNeedsAConnectedDrive) {
    InstallBay(BayOfHubs(1, 0));
    TMainForm& w = OpenWindow();
    Enumerate();
    for (QAction* tool : {w.EraseCodeBlock, w.JumpToLoader, w.JumpToSystem, w.ProgramSPI}) {
        ui_.Clear();
        tool->trigger();
        EXPECT_EQ(Texts(), std::vector<std::string>{"No connected device!!"}) << tool->objectName().toStdString();
    }
}

// ---- Erase Code Block ----

// Loader blocks as a download leaves them on device 0's drive; the candidate places the erase must
// find, and two it must leave (an untagged code page, a tagged block outside the candidates).
struct Seeded {
    test_support::FlashBlock block;
    const char* tag;
    bool erased;
};
const Seeded kSeeded[] = {
    {{0, 0, 0, 1}, "RAVEZ", true}, {{1, 1, 0, 2}, "RAVEZ", true},  {{3, 0, 0, 0}, "RAVEZ", true},
    {{2, 1, 0, 3}, "QVRDT", true}, {{2, 0, 0, 1}, "XXXXX", false}, {{1, 0, 0, 9}, "RAVEZ", false},
};

void Seed(emu::NandModel& nand) {
    for (const Seeded& s : kSeeded) {
        ASSERT_TRUE(test_support::PlantPage(nand, s.block, test_support::kCodeTagPage,
                                            test_support::CodeTagPage(s.tag, nand.Geometry().PageBytes()),
                                            AP_FlashSet.ucLdpcMode, 1));
    }
}

bool Holds(emu::NandModel& nand, const test_support::FlashBlock& b) {
    return nand.Peek({b.channel, b.ce, b.lun, b.block, test_support::kCodeTagPage}).has_value();
}

TEST_F(DeviceTools, EraseCodeBlockErasesExactlyTheValidLoaderBlocksOfEveryDrive) {
    Open(3);
    for (int d = 0; d < 3; ++d) Seed(*Programs(d).nand);
    std::string error;
    // The first drive's load of the diagnostic firmware fails; the others are still erased.
    ASSERT_TRUE(bay_->ScheduleFault(DriveOf(0), "code87:noanswer", &error)) << error;
    ui_.AnswerYesNo(true);
    Window().EraseCodeBlockClick(Window().EraseCodeBlock);

    ASSERT_FALSE(ui_.Shown().empty());
    EXPECT_EQ(ui_.Shown()[0].kind, BoxKind::YesNo);
    EXPECT_EQ(ui_.Shown()[0].title, "Erase Code Block");
    EXPECT_EQ(ui_.Shown()[0].text, "Are you sure to Erase Code Block?");
    EXPECT_TRUE(trace_.Contains("######### - [" + std::to_string(Port(0)) + "]Load GDP fail!\n"));
    for (const Seeded& s : kSeeded) {
        SCOPED_TRACE(s.tag);
        EXPECT_TRUE(Holds(*Programs(0).nand, s.block));
        for (int d : {1, 2}) EXPECT_EQ(Holds(*Programs(d).nand, s.block), !s.erased) << d;
    }
}

TEST_F(DeviceTools, EraseCodeBlockTouchesNoDriveOnNoOrWithoutTheNandDataFiles) {
    for (const bool answerYes : {false, true}) {
        SCOPED_TRACE(answerYes);
        Open(1);
        Seed(*Programs(0).nand);
        if (answerYes) fs::remove_all(station_ / "DAT");
        ui_.Clear();
        trace_.Clear();
        ui_.AnswerYesNo(answerYes);
        const unsigned long before = bay_->FindDrive(DriveOf(0))->Commands();
        Window().EraseCodeBlockClick(Window().EraseCodeBlock);
        EXPECT_EQ(bay_->FindDrive(DriveOf(0))->Commands(), before);
        EXPECT_EQ(trace_.Contains("######### - EraseCodeBlockClick fail! - CheckNandMemBin\n"), answerYes);
        for (const Seeded& s : kSeeded) EXPECT_TRUE(Holds(*Programs(0).nand, s.block));
    }
}

// ---- The window lock ----

TEST_F(DeviceTools, ToolsLockLikeARunAndLeaveThePageInFront) {
    struct Case {
        std::uint8_t mpVersion, toolMode;
    } cases[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (const Case& c : cases) {
        for (const int tool : {0, 1, 2, 3}) {
            SCOPED_TRACE(testing::Message()
                         << "MPVersion " << int(c.mpVersion) << " ToolMode " << int(c.toolMode) << " tool " << tool);
            TMainForm& w = Open(1);
            AP_INIState.ToolMode = c.toolMode;
            AP_INIState.MPVersion = c.mpVersion;
            w.UpdateStruct2UI();  // the pages show the mode, so a tool's copy back keeps it
            w.LockUI(c.mpVersion);
            w.SettingPageControl->setCurrentIndex(2);
            std::vector<bool> tabsBefore;
            for (int i = 0; i < w.SettingPageControl->count(); ++i)
                tabsBefore.push_back(w.SettingPageControl->isTabEnabled(i));
            const bool menuBefore = w.MainMenu->actions().front()->isEnabled();

            // What the window looks like while the tool waits.
            bool startDuring = true, refreshDuring = true, menuDuring = true, tabDuring = true;
            QTimer::singleShot(0, [&] {
                startDuring = w.ExecuteButton->isEnabled();
                refreshDuring = w.RefreshButton->isEnabled();
                menuDuring = w.MainMenu->actions().front()->isEnabled();
                tabDuring = w.SettingPageControl->isTabEnabled(1);
            });
            ui_.AnswerYesNo(true);
            ui_.AnswerFile(WriteBin("spi.bin", Pattern(16, 0)).string());
            void (TMainForm::*tools[])(QObject*) = {&TMainForm::EraseCodeBlockClick, &TMainForm::JumpToLoaderClick,
                                                    &TMainForm::JumpToSystemClick, &TMainForm::ProgramSPIClick};
            (w.*tools[tool])(nullptr);

            EXPECT_FALSE(startDuring);
            EXPECT_FALSE(refreshDuring);
            EXPECT_EQ(menuDuring, c.mpVersion != 0 ? menuBefore : false);
            EXPECT_EQ(tabDuring, c.mpVersion != 0 ? tabsBefore[1] : false);

            EXPECT_EQ(w.SettingPageControl->currentIndex(), 2);
            EXPECT_TRUE(w.ExecuteButton->isEnabled());
            EXPECT_TRUE(w.RefreshButton->isEnabled());
            if (c.mpVersion != 0) {
                for (int i = 0; i < w.SettingPageControl->count(); ++i) {
                    EXPECT_EQ(w.SettingPageControl->isTabEnabled(i), tabsBefore[static_cast<std::size_t>(i)]) << i;
                }
                EXPECT_EQ(w.MainMenu->actions().front()->isEnabled(), menuBefore);
            } else {
                const int otherModePage = c.toolMode == 0 ? 4 : 3;
                for (int i = 1; i < w.SettingPageControl->count(); ++i) {
                    EXPECT_EQ(w.SettingPageControl->isTabEnabled(i), i != otherModePage) << i;
                }
                for (QAction* a : w.MainMenu->actions()) EXPECT_TRUE(a->isEnabled());
                EXPECT_TRUE(w.BottomPanel->isEnabled());
                EXPECT_TRUE(w.StyleScrollBox->isEnabled());
            }
        }
    }
}

}  // namespace
}  // namespace window_test
