// The fixture board's protocol, from the board's side: a request is 0xAA, a command code 1 to 10 and
// one payload byte per slot (bytes 2 to 9); the reply is 0xBB, the echoed code and the data, the rest
// poison. A request without 0xAA or with another code gets no reply.
//
//   1  seated slots (1/0 per slot in bytes 2-9)      6  loader request on (for the whole board)
//   2  payload 1: switch the slot on                 7  loader request off
//   3  payload 0: switch the slot off                8  currents: eight 16-bit little-endian values in
//   4  payload 1: clear the slot's plug counter         0.01 mA from byte 2 (0 for a slot off or
//   5  plug counters (bytes 2-9)                        empty; 65,535 at most)
//   9  payload 1: slot into PCIe loop-back           10 payload 0: slot out of PCIe loop-back
//
// Switching a slot on powers its drive's controller on (in the boot loader while the loader request
// is set) and plugs it into the bay, raising the arrival; switching it off unplugs it. Switching a
// slot that is already on (or off) changes nothing. A drive counts one more on its plug counter each
// time it is seated. The bay.ini keys are listed in bay_config.h.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "emu/bay_config.h"
#include "emu/fixture_board.h"

namespace emu {

class Bay;

class FixtureProtocol : public FixtureEndpoint {
  public:
    // The bay outlives its boards and their endpoints. Drives named in the slots start seated, with
    // plug counter 1, powered off and unplugged unless their slot is powered at start.
    FixtureProtocol(Bay& bay, const BoardConfig& config);

    std::optional<HidPayload> Answer(const HidPayload& request) override;

    // Test interface. Seating puts a drive into a slot (its plug counter counts one more); unseating
    // switches the slot off first. False for a slot outside 0 to 7.
    bool Seat(int slot, const std::string& drive);
    bool Unseat(int slot);
    bool Powered(int slot) const;
    // The slot's drive is on the USB tree: seated, powered and showing up (NoLink, LateLink).
    bool DriveShowsUp(int slot) const;
    bool LoopBack(int slot) const;
    int PlugCount(int slot) const;
    bool LoaderRequest() const;
    std::vector<HidPayload> RequestLog() const;

  private:
    struct Slot {
        std::string drive;  // empty: no drive
        bool powered = false;
        bool loopBack = false;
        std::uint8_t plugCount = 0;
        unsigned powerOns = 0;
    };

    void PowerOnLocked(int slot);
    bool ShowsUpLocked(int slot) const;
    void PowerOffLocked(int slot);

    Bay& bay_;
    BoardConfig config_;
    mutable std::mutex mutex_;
    std::array<Slot, kBoardSlots> slots_;
    bool loaderRequest_ = false;
    std::vector<HidPayload> log_;
};

}  // namespace emu
