// The flash behind the emulated controller: channels of CEs of LUNs, each LUN a row of blocks of
// pages. Pages keep what was programmed into them, with the LDPC rate and scrambler setting they
// were programmed with; a page programmed twice without an erase between is refused, an erased
// page reads empty, and a page read back with another rate or scrambler cannot be decoded. Faults
// are injected per block or page: factory bad blocks, uncorrectable reads, program and erase
// failures. Each operation may take a configured time in microseconds, charged on the platform
// clock through the flash's latency account (benchmarks); a caller that runs several dies or
// planes at once charges one operation time itself (Timing::Parallel).
//
// Apart from what the emulator waits, the flash has its own operation times (NandOpTimes): how
// long a read, a program and an erase take on the part, in SLC mode and in its native mode. They
// are what the firmware's own timers measure (the sorting firmware's die times), charged to
// nobody; a die may be slowed by a percentage (the bay key NandTimeScale, drive_programs.h).
//
// Identical page contents are stored once, so a drive that writes the same loader block on
// every die holds one copy of each page.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "emu/latency_account.h"

namespace emu {

struct FlashGeometry {
    int channels = 4;
    int ces = 2;           // chip enables per channel
    int luns = 1;          // dies per CE
    int blocks = 2016;     // blocks per LUN
    int pages = 2304;      // pages per block
    int pageSectors = 32;  // 512-byte sectors of a page's data area
    int planes = 4;        // what the diagnostic firmware's init block must say; blocks are not split by plane

    std::size_t PageBytes() const { return static_cast<std::size_t>(pageSectors) * 512; }
    bool Sound() const;
};

// Microseconds each operation takes (0: none).
struct NandLatency {
    unsigned readUs = 0;
    unsigned programUs = 0;
    unsigned eraseUs = 0;
};

// The part's own operation times in microseconds, by cell mode: those of a TLC part of the demo
// station's kind (its native mode) and of the same part used as SLC.
struct NandOpTimes {
    unsigned slcReadUs = 60;
    unsigned readUs = 115;
    unsigned slcProgramUs = 250;
    unsigned programUs = 1100;
    unsigned slcEraseUs = 2000;
    unsigned eraseUs = 4000;
    friend bool operator==(const NandOpTimes&, const NandOpTimes&) = default;
};

// Operations done since the flash was made (the benchmarks' figures).
struct NandCounts {
    std::uint64_t pagesRead = 0;
    std::uint64_t pagesProgrammed = 0;
    std::uint64_t blocksErased = 0;
};

enum class NandOp : std::uint8_t { Read, Program, Erase };
// Charged: the operation takes its time. Parallel: it is one of several the caller runs at once
// and charges once with ChargeParallel.
enum class Timing : std::uint8_t { Charged, Parallel };

struct NandAddress {
    int channel = 0;
    int ce = 0;
    int lun = 0;
    int block = 0;
    int page = 0;
    friend bool operator==(const NandAddress&, const NandAddress&) = default;
};

// Result codes as the diagnostic firmware reports them (byte 1 of its status reply).
enum class NandResult : std::uint8_t {
    Ok = 1,
    ReadEmpty = 28,
    Uncorrectable = 29,
    ProgramFailed = 30,
    EraseFailed = 31,
    NotErased = 32,     // program of a page that holds data
    BadAddress = 33,    // outside the geometry, or more data than a page holds
    InitMismatch = 34,  // an init block that does not describe this flash
};

class NandModel {
  public:
    explicit NandModel(FlashGeometry geometry = {}, NandLatency latency = {});

    const FlashGeometry& Geometry() const { return geometry_; }
    bool Contains(const NandAddress& a) const;
    bool ContainsBlock(int channel, int ce, int lun, int block) const;

    // Reads the first out.size() bytes of the page (at most a page). An erased page reads 0xFF and
    // answers ReadEmpty; bytes beyond what was programmed read 0xFF.
    NandResult Read(const NandAddress& a, std::span<std::uint8_t> out, std::uint8_t ldpcRate, std::uint8_t scramble,
                    Timing timing = Timing::Charged);
    NandResult Program(const NandAddress& a, std::span<const std::uint8_t> data, std::uint8_t ldpcRate,
                       std::uint8_t scramble, Timing timing = Timing::Charged);
    NandResult Erase(int channel, int ce, int lun, int block, Timing timing = Timing::Charged);
    // One operation time for operations run in parallel with Timing::Parallel; `count` such times
    // for a caller whose busiest unit runs that many operations one after another (one wait).
    void ChargeParallel(NandOp op, std::uint64_t count = 1);
    NandCounts Counts() const;
    const LatencyAccount& Latency() const { return account_; }

    // What a page holds, without latency, rate check or fault (the boot ROM, tests); nullopt when erased.
    std::optional<std::vector<std::uint8_t>> Peek(const NandAddress& a) const;
    std::uint32_t EraseCount(int channel, int ce, int lun, int block) const;
    bool IsFactoryBad(int channel, int ce, int lun, int block) const;
    // True when the block is set to fail its erase, or a program into it (the whole block or a page).
    bool HasWriteFault(int channel, int ce, int lun, int block) const;
    // Pages holding data, and distinct page contents stored.
    std::size_t ProgrammedPages() const;
    std::size_t StoredContents() const;

    // Failures the flash has served from its injected faults (not its factory bad blocks): the
    // first of each block, with the error type the system firmware's bad-unit list gives it
    // (4 uncorrectable read, 5 program failure, 6 erase failure), and how many of each it served.
    enum class Failure : std::uint8_t { Read = 4, Program = 5, Erase = 6 };
    struct ServedFailure {
        int channel = 0, ce = 0, lun = 0, block = 0;
        Failure type = Failure::Read;
        friend bool operator==(const ServedFailure&, const ServedFailure&) = default;
    };
    struct FailureCounts {
        std::uint64_t reads = 0, programs = 0, erases = 0;
        friend bool operator==(const FailureCounts&, const FailureCounts&) = default;
    };
    std::vector<ServedFailure> ServedFailures() const;
    FailureCounts ServedCounts() const;

    // What the flash holds, as a drive keeps it between program runs (drive_state.h): every block
    // erased or programmed at least once, with its erase count and its pages.
    struct StoredPage {
        int page = 0;
        std::shared_ptr<const std::vector<std::uint8_t>> data;
        std::uint8_t ldpcRate = 0, scramble = 0;
    };
    struct StoredBlock {
        int channel = 0, ce = 0, lun = 0, block = 0;
        std::uint32_t eraseCount = 0;
        std::vector<StoredPage> pages;  // by page number
    };
    std::vector<StoredBlock> StoredBlocks() const;
    // Replaces the blocks, the served failures and their counts (places were checked by the caller).
    void Restore(const std::vector<StoredBlock>& blocks, const std::vector<ServedFailure>& failures,
                 FailureCounts counts);

    // Faults.
    void MarkFactoryBad(int channel, int ce, int lun, int block);
    void InjectUncorrectable(const NandAddress& a);
    // Every program into the block fails (page -1), or only that page's.
    void InjectProgramFailure(int channel, int ce, int lun, int block, int page = -1);
    void InjectEraseFailure(int channel, int ce, int lun, int block);
    void ClearFaults();
    void SetLatency(NandLatency latency);

    // The part's operation times (every die), and a die's times scaled by `percent` (100: the
    // part's own; every die when no place is given). OpTimes gives a die's times, each at most
    // 0xFFFFFFFF.
    void SetOpTimes(NandOpTimes times);
    void SetOpTimeScale(unsigned percent);
    void SetOpTimeScale(int channel, int ce, int lun, unsigned percent);
    NandOpTimes OpTimes(int channel, int ce, int lun) const;

  private:
    using Bytes = std::vector<std::uint8_t>;
    struct Page {
        std::shared_ptr<const Bytes> data;
        std::uint8_t ldpcRate = 0;
        std::uint8_t scramble = 0;
    };
    struct Block {
        std::uint32_t eraseCount = 0;
        std::unordered_map<int, Page> pages;
    };

    // Takes the operation's configured time, outside the lock.
    void Wait(NandOp op, std::uint64_t count = 1);
    std::uint64_t BlockKey(int channel, int ce, int lun, int block) const;
    std::uint64_t PageKey(const NandAddress& a) const;
    std::shared_ptr<const Bytes> Intern(std::span<const std::uint8_t> data);
    void NoteServed(std::uint64_t blockKey, Failure type);
    NandResult ReadLocked(const NandAddress& a, std::span<std::uint8_t> out, std::uint8_t ldpcRate,
                          std::uint8_t scramble);

    FlashGeometry geometry_;
    NandLatency latency_;
    NandOpTimes opTimes_;
    unsigned opScale_ = 100;
    std::map<std::tuple<int, int, int>, unsigned> dieOpScale_;
    LatencyAccount account_;
    mutable std::mutex mutex_;
    NandCounts counts_;
    std::unordered_map<std::uint64_t, Block> blocks_;
    std::set<std::uint64_t> factoryBad_;
    std::set<std::uint64_t> eraseFail_;
    std::set<std::uint64_t> programFailBlocks_;
    std::set<std::uint64_t> programFailPages_;
    std::set<std::uint64_t> uncorrectable_;
    std::map<std::uint64_t, Failure> served_;  // by block key
    FailureCounts servedCounts_;
    // Stored contents by hash; an entry whose data nobody holds any more is dropped when found.
    std::unordered_multimap<std::uint64_t, std::weak_ptr<const Bytes>> contents_;
    std::size_t pruneAt_ = 1024;
};

}  // namespace emu
