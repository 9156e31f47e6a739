#include "emu/spi_flash.h"

#include <gtest/gtest.h>

#include "program_bench.h"

namespace {

using emu::Program;
using Bytes = std::vector<std::uint8_t>;

struct Spi : emu_test::DiagnosticBench {
    using DiagnosticBench::DiagnosticBench;
    emu::SpiFlash& Flash() { return *programs.spi; }
    emu::NvmeStatus Erase() { return Run(0x0A); }
    // 0x0C with offset and count big-endian in bytes 4-11 and `data` as the data phase.
    emu::NvmeStatus Program(std::uint32_t offset, std::uint32_t count, Bytes data) {
        std::vector<std::uint8_t> params = {0,
                                            static_cast<std::uint8_t>(offset >> 24),
                                            static_cast<std::uint8_t>(offset >> 16),
                                            static_cast<std::uint8_t>(offset >> 8),
                                            static_cast<std::uint8_t>(offset),
                                            static_cast<std::uint8_t>(count >> 24),
                                            static_cast<std::uint8_t>(count >> 16),
                                            static_cast<std::uint8_t>(count >> 8),
                                            static_cast<std::uint8_t>(count)};
        return Run(0x0C, params, data);
    }
};

TEST(SpiFlash, ComesUpErasedProgramsLikeNorAndEraseSetsEveryBitAgain) {
    Spi s;
    EXPECT_EQ(s.Flash().Size(), 4u << 20);
    EXPECT_EQ(s.Flash().Read(0, 16), Bytes(16, 0xFF));

    // Only the counted bytes of the data phase are taken; the rest of the sector stays erased.
    Bytes piece(4096, 0x00);
    piece[0] = 0x12;
    piece[1] = 0xF0;
    EXPECT_EQ(s.Program(0x1000, 2, piece), emu::nvme_status::kSuccess);
    EXPECT_EQ(s.Status(), std::make_pair(0x55, 1));
    EXPECT_EQ(s.Flash().Read(0xFFF, 4), (Bytes{0xFF, 0x12, 0xF0, 0xFF}));

    // A second program over the same bytes can only clear bits.
    EXPECT_EQ(s.Program(0x1000, 2, Bytes(512, 0x0F)), emu::nvme_status::kSuccess);
    EXPECT_EQ(s.Flash().Read(0x1000, 2), (Bytes{0x02, 0x00}));

    // The last byte of the flash can be programmed.
    EXPECT_EQ(s.Program((4u << 20) - 1, 1, Bytes(512, 0xA5)), emu::nvme_status::kSuccess);
    EXPECT_EQ(s.Flash().Read((4u << 20) - 1, 8), Bytes{0xA5});
    EXPECT_EQ(s.Flash().Programs(), 3);

    EXPECT_EQ(s.Erase(), emu::nvme_status::kSuccess);
    EXPECT_EQ(s.Status(), std::make_pair(0x55, 1));
    EXPECT_EQ(s.Flash().Read(0x1000, 2), Bytes(2, 0xFF));
    EXPECT_EQ(s.Flash().Erases(), 1);
}

TEST(SpiFlash, RefusesCountsBeyondTheDataOrTheFlashAndInjectedFaultsChangingNothing) {
    struct Case {
        const char* keys;
        std::uint32_t offset, count;
        std::size_t dataBytes;
        emu::NvmeStatus status;
    } cases[] = {
        {"", 0, 513, 512, emu::nvme_status::kInvalidField},
        {"SpiFlashBytes=8192\n", 4096, 4097, 8192, emu::nvme_status::kInvalidField},
        {"SpiFlashBytes=8192\n", 8192, 1, 512, emu::nvme_status::kInvalidField},
        {"", 0xFFFFFF00u, 512, 512, emu::nvme_status::kInvalidField},
        {"SpiFault=program@4096\n", 4096, 1, 4096, emu::nvme_status::kInternalError},
        {"SpiFault=program@5000\n", 4096, 4096, 4096, emu::nvme_status::kInternalError},
        {"SpiFault=erase,program@0x10\n", 0, 17, 512, emu::nvme_status::kInternalError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.keys << c.offset << "+" << c.count);
        Spi s(c.keys);
        EXPECT_EQ(s.Program(c.offset, c.count, Bytes(c.dataBytes, 0)), c.status);
        EXPECT_EQ(s.Flash().Programs(), 0);
        EXPECT_EQ(s.Flash().Read(0, 8192), Bytes(std::min<std::uint32_t>(8192, s.Flash().Size()), 0xFF));
    }
    // The program fault leaves the pieces before it alone.
    Spi s("SpiFault=program@4096\n");
    EXPECT_EQ(s.Program(0, 4096, Bytes(4096, 0x11)), emu::nvme_status::kSuccess);
    EXPECT_EQ(s.Program(4096, 4096, Bytes(4096, 0x22)), emu::nvme_status::kInternalError);
    EXPECT_EQ(s.Flash().Read(4095, 2), (Bytes{0x11, 0xFF}));

    Spi e("SpiFault=erase\n");
    EXPECT_EQ(e.Program(0, 1, Bytes(512, 0)), emu::nvme_status::kSuccess);
    EXPECT_EQ(e.Erase(), emu::nvme_status::kInternalError);
    EXPECT_EQ(e.Flash().Erases(), 0);
    EXPECT_EQ(e.Flash().Read(0, 1), Bytes{0});
}

TEST(SpiFlash, AnswersOnlyInTheDiagnosticFirmware) {
    Spi s;
    s.core.Start(Program::Loader);
    EXPECT_EQ(s.core.Find(0x0A), nullptr);
    EXPECT_EQ(s.core.Find(0x0C), nullptr);
    s.core.Start(Program::System);
    EXPECT_EQ(s.core.Find(0x0C), nullptr);
}

}  // namespace
